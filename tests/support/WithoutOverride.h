#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// While it lives, this thread is held to the files' permission bits even as
// root: the capabilities that let root read and write anything are taken
// out of its effective set, and put back when it goes. For the cases of a
// folder the operator may not write to. active() is false where they could
// not be taken out (then the caller's own rights apply, and an ordinary
// user is held to the bits anyway).
class WithoutOverride {
public:
    WithoutOverride()
    {
        if (::geteuid() != 0)
            return;
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        if (::syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        active_ = ::syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~WithoutOverride()
    {
        if (active_)
            ::syscall(SYS_capset, &header_, saved_);
    }
    WithoutOverride(const WithoutOverride&) = delete;
    WithoutOverride& operator=(const WithoutOverride&) = delete;

    // Whether the permission bits now hold for this thread.
    bool active() const { return active_ || ::geteuid() != 0; }

private:
    __user_cap_header_struct header_ {};
    __user_cap_data_struct saved_[2] {};
    bool active_ = false;
};
