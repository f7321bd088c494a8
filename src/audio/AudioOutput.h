#pragma once
// Opening a libout123 output for the music engine and the sound comments.
#include <out123.h>

#include "audio/AudioEngine.h"

namespace vellumo {

// The desktop's sound outputs, in the order tried when none is named: other
// modules of libout123 (OpenAL, JACK, ...) may accept having no device and
// then spin at closing, so they are never tried on their own.
inline constexpr const char* kDesktopOutputs = "pulse,alsa";

// A new output handle opened on the chosen driver and device (quiet: no
// printouts); nullptr when no output can be opened. live tells whether it is
// a real device (rather than a file writer).
out123_handle* OpenAudioOutput(const AudioOutputSpec& spec, bool& live);

}  // namespace vellumo
