#pragma once

#include <QByteArray>
#include <QtGlobal>

// Sets what the stand-in encoder does (see helpers/fakeconv.cpp) for as long as it lives: a check that fails
// and leaves the test early leaves no mode behind for the tests after it.
class FakeConvMode {
  public:
    explicit FakeConvMode(const QByteArray& mode) { qputenv("FAKECONV_MODE", mode); }
    ~FakeConvMode() { qunsetenv("FAKECONV_MODE"); }
    FakeConvMode(const FakeConvMode&) = delete;
    FakeConvMode& operator=(const FakeConvMode&) = delete;
};
