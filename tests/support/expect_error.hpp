// EXPECT_RUNTIME_ERROR(statement, kind): the statement raises a nurlo::RuntimeError of that kind.
#pragma once

#include <gtest/gtest.h>

#include "runtime_error.hpp"

#define EXPECT_RUNTIME_ERROR(statement, expectedKind)                                      \
    do {                                                                                   \
        try {                                                                              \
            statement;                                                                     \
            ADD_FAILURE() << "no RuntimeError from: " #statement;                          \
        } catch (const ::nurlo::RuntimeError& error_) {                                    \
            EXPECT_EQ(error_.kind(), expectedKind) << #statement << ": " << error_.what(); \
        }                                                                                  \
    } while (false)
