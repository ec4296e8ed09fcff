#pragma once

#include "platform/files/aside.h"

// The copier hands its large copies and its syncs to the worker of
// platform/files/aside.h.
namespace platform::copier {

inline void runAside(const std::function<void()>& work, const std::function<void()>& beforeWait) {
    aside::run(work, beforeWait);
}

inline void setWorkerHook(std::function<void()> hook) {
    aside::setWorkerHook(std::move(hook));
}

} // namespace platform::copier
