#include "audio/AudioOutput.h"

namespace vellumo {

out123_handle* OpenAudioOutput(const AudioOutputSpec& spec, bool& live) {
    out123_handle* output = out123_new();
    if (!output) return nullptr;
    out123_param_int(output, OUT123_ADD_FLAGS, OUT123_QUIET);
    const char* driver = spec.driver.empty() ? kDesktopOutputs : spec.driver.c_str();
    if (out123_open(output, driver, spec.device.empty() ? nullptr : spec.device.c_str()) != OUT123_OK) {
        out123_del(output);
        return nullptr;
    }
    long props = 0;
    out123_getparam_int(output, OUT123_PROPFLAGS, &props);
    live = (props & OUT123_PROP_LIVE) != 0;
    return output;
}

}  // namespace vellumo
