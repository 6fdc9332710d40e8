#pragma once
#include <gtest/gtest.h>

#include "common/failure.h"

namespace wiper::test {

// The Failure that `f` throws; records a test failure when it throws none.
template <class F>
Failure failure_of(F&& f) {
    try {
        f();
    } catch (const Failure& e) {
        return e;
    }
    ADD_FAILURE() << "no failure was thrown";
    return Failure(FailureKind::stopped, "(none)");
}

template <class F>
FailureKind kind_of(F&& f) {
    return failure_of(std::forward<F>(f)).kind();
}

} // namespace wiper::test
