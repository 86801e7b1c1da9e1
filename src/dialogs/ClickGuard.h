#pragma once

#include "db/Failure.h"

#include <QString>

#include <functional>
#include <optional>

// The one place where errors stop, shared by the windows of both programs:
// each click runs its work through it, and whatever the work throws becomes
// the text the operator reads. Nothing escapes into Qt's event loop.
namespace clickGuard {

struct Caught {
    QString message;                 // empty when the work succeeded
    std::optional<Failure> failure;  // the Failure itself, when one was thrown
};

// What `work` threw: a Failure's own Finnish message, or for anything else
// "Odottamaton virhe:" and what is known of it.
Caught caught(const std::function<void()>& work) noexcept;

// The message alone.
inline QString failureOf(const std::function<void()>& work) noexcept { return caught(work).message; }

} // namespace clickGuard
