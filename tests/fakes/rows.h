#pragma once

#include <QtTest>

namespace qvestra::testing {

// One data row. A call stays on one line where clang-format would put every
// string literal of a << chain on a line of its own.
template <typename... Values>
void Row(const char* name, const Values&... values) {
    (QTest::newRow(name) << ... << values);
}

}  // namespace qvestra::testing
