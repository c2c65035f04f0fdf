#include "SimAudio.h"

#include <algorithm>

namespace ovento::sim {
namespace {

QString SideName(SimAudioSide side)
{
    return side == SimAudioSide::Output ? QStringLiteral("output") : QStringLiteral("mic");
}

int ToneOf(SimAudioSide side)
{
    return side == SimAudioSide::Output ? AudioStreamer::kRemoteSideToneHz
                                        : AudioStreamer::kMySideToneHz;
}

} // namespace

SimAudio::SimAudio(SimLog& log, bool asFastAsPossible)
    : m_log(log), m_bAsFastAsPossible(asFastAsPossible)
{}

SimAudio::~SimAudio()
{
    StopAll();
}

void SimAudio::Redirect(const QString& callId, SimAudioSide side, std::optional<std::uint16_t> port,
                        SimCallPhase phase)
{
    if (phase == SimCallPhase::Ended)
        return;
    auto route = std::find_if(m_routes.begin(), m_routes.end(),
                              [&](const Route& r) { return r.callId == callId && r.side == side; });
    if (!port) {
        if (route != m_routes.end()) {
            Stop(*route);
            m_routes.erase(route);
        }
        return;
    }
    if (route == m_routes.end()) {
        route = m_routes.insert(m_routes.end(), Route{callId, side, *port, nullptr});
    } else {
        // The recorder redirects a call again each time it goes into conversation; a stream
        // that already flows there goes on, so the recording never gets a side twice.
        const bool streaming =
            route->streamer && !route->streamer->WaitUntilFinished(std::chrono::milliseconds(0));
        if (streaming && route->port == *port)
            return;
        Stop(*route);
        route->port = *port;
    }
    if (phase == SimCallPhase::Live)
        Start(*route);
}

void SimAudio::Follow(const QString& callId, SimCallPhase phase)
{
    for (Route& route : m_routes) {
        if (route.callId != callId)
            continue;
        if (phase != SimCallPhase::Live)
            Stop(route);
        else if (!route.streamer)
            Start(route);
    }
    if (phase == SimCallPhase::Ended)
        std::erase_if(m_routes, [&](const Route& route) { return route.callId == callId; });
}

void SimAudio::StopAll()
{
    for (Route& route : m_routes)
        Stop(route);
    m_routes.clear();
}

void SimAudio::Start(Route& route)
{
    AudioStreamer::Options options;
    options.port = route.port;
    options.toneHz = ToneOf(route.side);
    options.asFastAsPossible = m_bAsFastAsPossible;
    route.streamer = std::make_unique<AudioStreamer>(options);
    if (route.streamer->Start()) {
        LogRoute(route, QStringLiteral("start"));
        return;
    }
    route.streamer.reset();
    LogRoute(route, QStringLiteral("refused"));
}

void SimAudio::Stop(Route& route)
{
    if (!route.streamer)
        return;
    route.streamer->Stop();
    LogRoute(route, QStringLiteral("stop %1").arg(route.streamer->BlocksSent()));
    route.streamer.reset();
}

void SimAudio::LogRoute(const Route& route, const QString& what)
{
    m_log.Line(QStringLiteral("audio"), QStringLiteral("%1 %2 %3 %4")
                                            .arg(route.callId, SideName(route.side))
                                            .arg(route.port)
                                            .arg(what));
}

} // namespace ovento::sim
