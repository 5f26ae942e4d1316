#pragma once
// How the program ends, as its exit status. On a cafe PC the kiosk service starts the
// program again after every end but one: the administrator's confirmed "Quit"
// (quorvel.service: Restart=always, RestartPreventExitStatus= kExitQuit). A signal
// (SIGTERM, SIGKILL, a crash) ends it without a status and is restarted too.
namespace quorvel::startup {

// Every window unloaded without "Quit".
inline constexpr int kExitEnded = 0;
// Start-up could not go on (no display named, the data file unusable).
inline constexpr int kExitStartFailed = 1;
// The administrator's confirmed "Quit" from the control panel: the one end the
// service leaves alone.
inline constexpr int kExitQuit = 10;
// The connection to the X display was cut (the X server ended or restarted, or a
// client had ours killed).
inline constexpr int kExitDisplayLost = 11;

}  // namespace quorvel::startup
