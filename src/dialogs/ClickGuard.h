#pragma once

#include <QString>

#include <functional>

// The one place where errors stop, shared by the windows of both programs:
// each click runs its work through it, and whatever the work throws becomes
// the text the operator reads. Nothing escapes into Qt's event loop.
namespace clickGuard {

// Empty when `work` succeeded; otherwise a Failure's own Finnish message,
// or for anything else "Odottamaton virhe:" and what is known of it.
QString failureOf(const std::function<void()>& work) noexcept;

} // namespace clickGuard
