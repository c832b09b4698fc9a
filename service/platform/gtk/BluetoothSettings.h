// The desktop's Bluetooth settings, where the user pairs a phone.
#pragma once

#include <string>
#include <vector>

namespace wendlock {

// The command that opens the Bluetooth settings of this desktop (GNOME,
// KDE, Xfce's Blueman, Cinnamon's Blueberry), found in PATH, the current
// desktop's own first; empty when none is installed.
//   bluetoothSettingsCommand()  // {"/usr/bin/gnome-control-center", "bluetooth"}
[[nodiscard]] std::vector<std::string> bluetoothSettingsCommand();

// Starts `command` on its own; false when it cannot be started.
bool launchDetached(const std::vector<std::string>& command);

}  // namespace wendlock
