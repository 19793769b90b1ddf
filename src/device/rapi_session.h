#pragma once
// Remote-API sessions opened for one piece of work inside the flow's open connection. An
// initialisation that answers "already initialised" joins the connection that is open and
// closes nothing, so the flow's connection survives however the platform counts sessions.

#include "platform/clock.h"
#include "platform/remote_api.h"

namespace orvo {

class RapiSessionScope {
  public:
    // One CeRapiInitEx.
    static RapiSessionScope Init(RemoteApi& api);
    // Up to five attempts, 2000 ms apart.
    static RapiSessionScope Open(RemoteApi& api, const Clock& clock);

    RapiSessionScope(RapiSessionScope&& other) noexcept;
    RapiSessionScope& operator=(RapiSessionScope&&) = delete;
    ~RapiSessionScope();

    bool IsOpen() const { return state_ != State::Failed; }

  private:
    enum class State { Failed, Opened, Joined };
    RapiSessionScope(RemoteApi& api, State state) : api_(api), state_(state) {}

    RemoteApi& api_;
    State state_;
};

}  // namespace orvo
