#pragma once

// What every test here reaches for: QtTest, temporary folders, files, data
// rows, elapsed time and the scripted loopback server.
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include "fakes/elapsed.h"
#include "fakes/files.h"
#include "fakes/menu_page.h"
#include "fakes/rows.h"
#include "fakes/scripted_server.h"
