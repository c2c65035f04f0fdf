#pragma once

#include "AudioStreamer.h"
#include "SimLog.h"
#include "SimState.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace ovento::sim {

// The two sides of a call that the recorder can have streamed to it.
enum class SimAudioSide
{
    Output, // the remote side, what the speakers play ("set_output")
    Mic,    // my side, the microphone ("set_capture_mic")
};

// The audio of the simulated calls: each call side redirected to a port streams its tone there
// while the call is in conversation. A held call stops streaming and streams again, on a new
// connection, when it returns to conversation; an ended call closes its streams and forgets its
// ports. Each start and stop is logged as "audio <call> <output|mic> <port> start",
// "... refused" (nobody listens) and "... stop <blocks sent>".
class SimAudio
{
public:
    SimAudio(SimLog& log, bool asFastAsPossible);
    ~SimAudio();
    SimAudio(const SimAudio&) = delete;
    SimAudio& operator=(const SimAudio&) = delete;

    // Sends the side of the call to port from now on (none: back to the sound card only). A
    // redirection to the port the side already streams to keeps that stream.
    void Redirect(const QString& callId, SimAudioSide side, std::optional<std::uint16_t> port,
                  SimCallPhase phase);
    // Starts or stops the call's streams as its new phase asks; call before Skype reports it.
    void Follow(const QString& callId, SimCallPhase phase);
    void StopAll();

private:
    struct Route
    {
        QString callId;
        SimAudioSide side;
        std::uint16_t port;
        std::unique_ptr<AudioStreamer> streamer;
    };

    void Start(Route& route);
    void Stop(Route& route);
    void LogRoute(const Route& route, const QString& what);

    SimLog& m_log;
    const bool m_bAsFastAsPossible;
    std::vector<Route> m_routes;
};

} // namespace ovento::sim
