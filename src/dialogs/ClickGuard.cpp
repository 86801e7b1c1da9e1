#include "dialogs/ClickGuard.h"

#include "db/Failure.h"

#include <exception>

namespace clickGuard {

QString failureOf(const std::function<void()>& work) noexcept
{
    try {
        work();
        return {};
    } catch (const Failure& failure) {
        return failure.message();
    } catch (const std::exception& error) {
        return QStringLiteral("Odottamaton virhe:\n") + QString::fromLocal8Bit(error.what());
    } catch (...) {
        return QStringLiteral("Odottamaton virhe.");
    }
}

} // namespace clickGuard
