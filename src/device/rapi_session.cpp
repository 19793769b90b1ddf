#include "device/rapi_session.h"

namespace orvo {
namespace {

using namespace std::chrono_literals;

constexpr int kOpenAttempts = 5;
constexpr Millis kOpenRetryPause = 2000ms;

}  // namespace

RapiSessionScope RapiSessionScope::Init(RemoteApi& api) {
    const std::int32_t result = api.CeRapiInitEx();
    if (result == kRapiAlreadyInitialised) return {api, State::Joined};
    return {api, result >= 0 ? State::Opened : State::Failed};
}

RapiSessionScope RapiSessionScope::Open(RemoteApi& api, const Clock& clock) {
    for (int attempt = 1;; ++attempt) {
        RapiSessionScope session = Init(api);
        if (session.IsOpen() || attempt == kOpenAttempts) return session;
        clock.Sleep(kOpenRetryPause);
    }
}

RapiSessionScope::RapiSessionScope(RapiSessionScope&& other) noexcept
    : api_(other.api_), state_(other.state_) {
    other.state_ = State::Failed;
}

RapiSessionScope::~RapiSessionScope() {
    if (state_ == State::Opened) api_.CeRapiUninit();
}

}  // namespace orvo
