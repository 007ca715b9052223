// What the windows keep between runs of the program: choices the user made in them. They live
// in the user's configuration folder, in shelvix/shelvix.conf (an INI file), and nothing of the
// catalogue is kept there.
#pragma once

#include <QSettings>

#include <memory>

std::unique_ptr<QSettings> WindowSettings();
