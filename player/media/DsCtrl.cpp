#include "player/media/DsCtrl.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "player/media/DsCtrlState.h"

#include <QFileInfo>
#include <cstdlib>

namespace DsCtrl {

namespace detail {

MovieState::~MovieState()
{
    if (graph != nullptr)
        gst_element_set_state(graph, GST_STATE_NULL);
}

MovieState& state()
{
    static MovieState movie;
    return movie;
}

bool initGstreamer(MediaResult& result)
{
    static GError* failure = nullptr;
    static const bool ready = gst_init_check(nullptr, nullptr, &failure);
    if (!ready) {
        result = media_result::fromError(failure);
        LOG("GStreamer cannot start: ", failure != nullptr ? failure->message : "", ", ", result);
    }
    return ready;
}

MediaResult takeBusError()
{
    MovieState& s = state();
    if (s.bus == nullptr)
        return media_result::Fail;
    // The element that failed may post its error just after the state change gave up.
    GstMessagePtr message(gst_bus_timed_pop_filtered(s.bus, GST_SECOND, GST_MESSAGE_ERROR));
    if (!message)
        return media_result::Fail;
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message.get(), &error, &debug);
    GErrorPtr errorOwner(error);
    GCharPtr debugOwner(debug);
    LOG("error: ", error->message, " (", debug != nullptr ? debug : "", ")");
    return media_result::fromError(error);
}

MediaResult waitForStateChange(GstClockTime timeout)
{
    switch (gst_element_get_state(state().graph, nullptr, nullptr, timeout)) {
    case GST_STATE_CHANGE_FAILURE:
        return takeBusError();
    case GST_STATE_CHANGE_ASYNC:
        return media_result::Timeout;
    default:
        return media_result::Ok;
    }
}

GCharPtr uriFor(const QString& fileName)
{
    const QByteArray path = QFileInfo(fileName).absoluteFilePath().toUtf8();
    return GCharPtr(gst_filename_to_uri(path.constData(), nullptr));
}

} // namespace detail

using detail::state;

namespace {

// Long enough for a slow disk to start a large movie, short enough that a
// broken file never hangs the window.
constexpr GstClockTime kPrerollTimeout = 10 * GST_SECOND;

// playbin's "flags" bits (GstPlayFlags).
constexpr guint kPlayVideo = 1u << 0;
constexpr guint kPlayAudio = 1u << 1;
constexpr guint kPlayText = 1u << 2;
constexpr guint kPlayVisualisation = 1u << 3;

GstElement* makeAudioSink()
{
    const char* name = std::getenv("GAZEVIEW_AUDIO_SINK");
    if (name == nullptr || *name == '\0')
        return nullptr;
    GstElement* sink = gst_element_factory_make(name, "Audio Renderer");
    if (sink == nullptr) {
        LOG("No audio sink element '", name, "', using the default output");
        return nullptr;
    }
    // A sink without a device must still play in real time.
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "sync") != nullptr)
        g_object_set(sink, "sync", TRUE, nullptr);
    return sink;
}

MediaResult renderFileToVideoRenderer(const QString& fileName)
{
    auto& s = state();
    const GCharPtr uri = detail::uriFor(fileName);
    if (!uri)
        return media_result::FileNotFound;
    g_object_set(s.graph, "uri", uri.get(), nullptr);
    if (GstElement* audio = makeAudioSink())
        g_object_set(s.graph, "audio-sink", audio, nullptr);
    if (gst_element_set_state(s.graph, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
        return detail::takeBusError();
    if (const MediaResult result = detail::waitForStateChange(kPrerollTimeout); result != media_result::Ok)
        return result;
    gint videoStreams = 0;
    gint audioStreams = 0;
    g_object_get(s.graph, "n-video", &videoStreams, "n-audio", &audioStreams, nullptr);
    return videoStreams + audioStreams > 0 ? media_result::Ok : media_result::CannotRender;
}

bool mattersToTheWindow(GstMessage* message)
{
    return (GST_MESSAGE_TYPE(message) & (GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_WARNING)) != 0;
}

// The window hears only of the end, errors and warnings: the pipeline's routine
// messages (state changes, clock, quality) would otherwise wake it after every seek.
void pollGraph()
{
    auto& s = state();
    if (s.bus == nullptr || s.window == nullptr)
        return;
    while (GstMessagePtr head{gst_bus_peek(s.bus)}) {
        if (mattersToTheWindow(head.get())) {
            s.window->graphNotify();
            return;
        }
        GstMessagePtr routine(gst_bus_pop(s.bus));
    }
}

void startGraphNotifications()
{
    auto& s = state();
    s.busPoll = new QTimer;
    s.busPoll->setInterval(kGraphPollIntervalMs);
    QObject::connect(s.busPoll, &QTimer::timeout, &pollGraph);
    s.busPoll->start();
}

} // namespace

MediaResult PlayMovieInWindow(const QString& fileName, VideoWindow& window, ViewScale scale)
{
    LOG("fileName: ", fileName);
    auto& s = state();
    s.completed = false;
    if (fileName.isEmpty())
        return media_result::NoMovie;
    if (s.graph != nullptr)
        CloseInterfaces();

    MediaResult hr = media_result::Fail;
    if (!detail::initGstreamer(hr) || (s.graph = gst_element_factory_make("playbin", "graph")) == nullptr) {
        LOG("CoCreateInstance() failed: ", hr);
        return hr;
    }
    gst_object_ref_sink(s.graph);
    // The stimulus is the picture and its sound: no subtitle track of the file is
    // drawn over it, and a file without video gets no visualisation.
    guint flags = 0;
    g_object_get(s.graph, "flags", &flags, nullptr);
    g_object_set(s.graph, "flags", (flags | kPlayVideo | kPlayAudio) & ~(kPlayText | kPlayVisualisation),
                 nullptr);
    s.bus = gst_element_get_bus(s.graph);

    if ((hr = InitWindowlessVMR(window)) != media_result::Ok) {
        LOG("InitWindowlessVMR() failed: ", hr);
        return hr;
    }
    if ((hr = renderFileToVideoRenderer(fileName)) != media_result::Ok) {
        LOG("RenderFileToVideoRenderer() failed: ", hr);
        return hr;
    }

    const std::int64_t frames = GetTotalTimeFrames();
    s.timePerFrame =
        ChooseTimePerFrame(GetTotalTimeMilis(), frames, [&fileName] { return GrabTimePerFrame(fileName); });

    if (!HasVideo()) {
        LOG("File should contain video stream");
        return media_result::Fail;
    }
    if ((hr = InitVideoWindow(window, scale)) != media_result::Ok) {
        LOG("InitVideoWindow() failed: ", hr);
        return hr;
    }
    startGraphNotifications();

    window.showAndActivate();
    if ((hr = RunGraph()) != media_result::Ok)
        LOG("pMC->Run() failed: ", hr);
    LOG("end");
    return hr;
}

MediaResult HandleGraphEvent()
{
    auto& s = state();
    if (s.bus == nullptr)
        return media_result::NoMovie;
    while (GstMessagePtr message{gst_bus_pop(s.bus)}) {
        switch (GST_MESSAGE_TYPE(message.get())) {
        case GST_MESSAGE_EOS:
            s.completed = true;
            LOG("movie completed");
            break;
        case GST_MESSAGE_ERROR:
        case GST_MESSAGE_WARNING: {
            GError* error = nullptr;
            gchar* debug = nullptr;
            const bool isError = GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_ERROR;
            if (isError)
                gst_message_parse_error(message.get(), &error, &debug);
            else
                gst_message_parse_warning(message.get(), &error, &debug);
            GErrorPtr errorOwner(error);
            GCharPtr debugOwner(debug);
            LOG(isError ? "error: " : "warning: ", error->message, " (", debug != nullptr ? debug : "", ")");
            break;
        }
        default:
            break;
        }
    }
    return media_result::Ok;
}

bool MovieCompleted()
{
    return state().completed;
}

bool IsMovieOpen()
{
    return state().graph != nullptr;
}

void CloseInterfaces()
{
    LOG("close");
    auto& s = state();
    if (s.busPoll != nullptr) {
        s.busPoll->stop();
        s.busPoll->deleteLater();
        s.busPoll = nullptr;
    }
    // Stopping first joins the streaming threads, so no frame arrives after this.
    if (s.graph != nullptr)
        gst_element_set_state(s.graph, GST_STATE_NULL);
    if (s.bus != nullptr)
        gst_object_unref(s.bus);
    s.frames.reset();
    if (s.videoSink != nullptr)
        gst_object_unref(s.videoSink);
    s.mixer.reset();
    if (s.graph != nullptr)
        gst_object_unref(s.graph);
    const bool completed = s.completed;
    s = detail::MovieState();
    s.completed = completed;
    LOG("end");
}

} // namespace DsCtrl
