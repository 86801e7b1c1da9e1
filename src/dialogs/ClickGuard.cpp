#include "dialogs/ClickGuard.h"

#include <exception>

namespace clickGuard {

Caught caught(const std::function<void()>& work) noexcept
{
    try {
        work();
        return {};
    } catch (const Failure& failure) {
        return {failure.message(), failure};
    } catch (const std::exception& error) {
        return {QStringLiteral("Odottamaton virhe:\n") + QString::fromLocal8Bit(error.what()), {}};
    } catch (...) {
        return {QStringLiteral("Odottamaton virhe."), {}};
    }
}

} // namespace clickGuard
