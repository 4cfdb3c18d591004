// The null backend: the phone plays into the void. Sounds still start, loop
// and end on time, so programs and checks of what is playing behave as with
// a speaker; only the samples are never computed.
#include "platform/audio/audio_backend.h"

namespace platform::audio {
namespace {

class NullBackend final : public Backend {
public:
    bool wants_samples() const override { return false; }
};

}  // namespace

BackendResult create_null_backend(const BackendOptions&)
{
    return std::unique_ptr<Backend>(std::make_unique<NullBackend>());
}

}  // namespace platform::audio
