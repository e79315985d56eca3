#pragma once

// On Windows a folder is closed to a user by its access control list, which these cases do not set up, and
// under wine no permission stops the running user at all: the cases about permissions skip.
#include <QTest>

#define RUN_UNPRIVILEGED()                                                                                   \
    QSKIP("permission cases are set up with POSIX permissions; Windows keeps its permissions in ACLs")
