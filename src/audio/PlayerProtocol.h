#pragma once
// The numbers spoken between the music player and the audio engine: command
// codes, notification codes, player states and error codes.
namespace vellumo::audio {

// Commands (player -> engine).
constexpr int kExit = 1;
constexpr int kPlay = 4;
constexpr int kPause = 5;
constexpr int kStop = 6;
constexpr int kOpenInput = 8;
constexpr int kCloseInput = 9;
// The input to go on with, without a pause, when the current one ends
// (arguments: its path and a number the engine names it by). The engine
// opens it at once; OpenInput and CloseInput forget it.
constexpr int kQueueInput = 10;
constexpr int kFirstCode = 1;
constexpr int kLastCode = 159;

// Notifications (engine -> player).
constexpr int kAcknowledge = 74;   // argument: the command code
constexpr int kRefusal = 75;       // arguments: the command code, the error code
constexpr int kPlayerState = 78;   // argument: one of PlayerState
// The queued input became the current one at the end of the one before
// (argument: the number it was queued with); playing goes on.
constexpr int kInputAdvanced = 80;

// Notifications reach the player on the user-interface thread as posted
// commands numbered from this base plus the notification code.
constexpr int kNotificationBase = 0x9000;

enum PlayerState : int { Stopped = 0, Playing = 1, Paused = 2, EndOfStream = 3 };

// Errors.
constexpr int kErrOutOfMemory = -100;
constexpr int kErrNotInThisState = -103;   // e.g. pause or stop with no input open
constexpr int kErrInvalidCode = -306;      // a command code outside 1 .. 159, or unknown
constexpr int kErrCannotOpenInput = -107;  // missing, unreadable or undecodable file
constexpr int kErrNoOutput = -108;         // no audio output device could be opened or it failed

}  // namespace vellumo::audio
