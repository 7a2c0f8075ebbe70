#include "render/RenderJob.h"

#include "common/AppDataFolder.h"
#include "common/AtomicFile.h"
#include "common/OutputGuard.h"
#include "player/data/ShotLine.h"
#include "render/OverlayFrames.h"
#include "render/PieceJoin.h"
#include "render/VideoExport.h"
#include "shots/MovieFrames.h"

#include <QBuffer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace {

constexpr auto kReportEvery = std::chrono::seconds(1);

int renderVideo(const RenderOptions& options, OverlayFrames& overlay, std::ostream& err, bool sameLine)
{
    std::filesystem::path partial = options.output;
    partial += ".part-" + std::to_string(::getpid());
    std::error_code ignored;
    const auto fail = [&](const std::string& text, int status) {
        err << "gaze-render: " << text << '\n';
        std::filesystem::remove(partial, ignored);
        return status;
    };

    // The output's folder is tried first, so that a failure later is the input's.
    if (!std::ofstream(partial, std::ios::binary)) {
        err << "gaze-render: cannot write " << options.output.string() << '\n';
        return 3;
    }
    VideoExport video;
    const auto format = options.format == RenderOptions::Output::WebM ? VideoExport::Format::WebM
                        : options.piece                               ? VideoExport::Format::Mp4Piece
                                                                      : VideoExport::Format::Mp4;
    if (!video.open(options.movie, partial, format))
        return fail(video.error(), 2);
    if ((options.fromMs > 0 || options.toMs) && !video.limit(options.fromMs, options.toMs))
        return fail(video.error(), 2);
    overlay.setVideoSize(video.frameSize());

    const std::int64_t endMs =
        options.toMs.value_or(std::max<std::int64_t>(video.durationMs(), options.fromMs));
    err << "rendering " << options.movie.string() << " (" << video.frameSize().width() << 'x'
        << video.frameSize().height() << ", " << video.frameRate() << " frames/s"
        << (video.hasSound() ? ", with sound" : ", no sound") << ") with "
        << overlay.results().timeLines().size() << " result(s) to " << options.output.string() << '\n';
    RenderProgress progress(err, endMs - options.fromMs, sameLine);
    VideoExport::Frame frame;
    std::int64_t frames = 0;
    while (video.next(frame)) {
        for (const OverlayFrames::Patch& patch : overlay.patches(static_cast<int>(frame.timeMs)))
            video.colours().blend(frame.planes, patch.image, patch.at);
        if (!video.put(frame))
            break;
        ++frames;
        progress.frameDone(frame.timeMs - options.fromMs);
    }
    progress.finish();
    if (!video.error().empty())
        return fail(video.error(), 3);
    if (frames == 0)
        return fail("the movie has no frame in the part asked for", 2);
    if (!video.finish())
        return fail(video.error(), 3);
    std::filesystem::rename(partial, options.output, ignored);
    if (ignored)
        return fail("cannot write " + options.output.string() + ": " + ignored.message(), 3);
    err << frames << " frames written to " << options.output.string() << '\n';
    return 0;
}

int renderPictures(const RenderOptions& options, OverlayFrames& overlay, std::ostream& err)
{
    MovieFrames movie;
    if (!movie.open(options.movie)) {
        err << "gaze-render: " << movie.error() << '\n';
        return 2;
    }
    bool sized = false;
    for (const std::int64_t at : options.atMs) {
        MovieFrames::Frame frame;
        if (!movie.seek(at) || !movie.next(frame)) {
            err << "gaze-render: "
                << (movie.error().empty() ? "no frame at " + std::to_string(at) + " ms, past the movie's end"
                                          : movie.error())
                << '\n';
            return 2;
        }
        if (!sized) {
            overlay.setVideoSize(frame.image.size());
            sized = true;
        }
        // The overlay of the time asked for over the frame shown then, as the paused player shows it.
        const QImage picture = overlay.compose(frame.image, static_cast<int>(at));
        QBuffer bytes;
        bytes.open(QIODevice::WriteOnly);
        const std::filesystem::path file = picturePath(options, at);
        if (!picture.save(&bytes, "PNG") ||
            !AtomicFile::write(
                file, std::string_view(bytes.data().constData(), static_cast<size_t>(bytes.size())))) {
            err << "gaze-render: cannot write " << file.string() << '\n';
            return 3;
        }
        err << "picture at " << at << " ms written to " << file.string() << '\n';
    }
    return 0;
}

} // namespace

RenderProgress::RenderProgress(std::ostream& out, std::int64_t totalMs, bool sameLine, Clock clock)
    : out_(out), totalMs_(std::max<std::int64_t>(1, totalMs)), sameLine_(sameLine), clock_(std::move(clock)),
      started_(clock_()), lastReport_(started_)
{
}

std::string RenderProgress::clockText(std::int64_t seconds)
{
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                      static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    return text;
}

void RenderProgress::frameDone(std::int64_t doneMs)
{
    ++frames_;
    doneMs_ = std::clamp<std::int64_t>(doneMs, 0, totalMs_);
    const auto now = clock_();
    if (now - lastReport_ < kReportEvery)
        return;
    lastReport_ = now;
    const double elapsed = std::chrono::duration<double>(now - started_).count();
    const double speed = elapsed > 0 ? frames_ / elapsed : 0.0;
    // The rest of the movie is taken to render as fast as the part done so far.
    const auto left = doneMs_ > 0 ? static_cast<std::int64_t>(elapsed * (totalMs_ - doneMs_) / doneMs_) : 0;
    char line[160];
    std::snprintf(line, sizeof line, "%.1f of %.1f s (%d%%), %.1f frames/s, about %s left", doneMs_ / 1000.0,
                  totalMs_ / 1000.0, static_cast<int>(doneMs_ * 100 / totalMs_), speed,
                  clockText(left).c_str());
    out_ << line << (sameLine_ ? "\r" : "\n") << std::flush;
    reported_ = true;
}

void RenderProgress::finish()
{
    if (reported_ && sameLine_)
        out_ << '\n';
}

std::string overwriteProblem(const RenderOptions& options)
{
    std::vector<std::filesystem::path> inputs = {options.movie, options.results,
                                                 options.shotFile.value_or(shotFileOf(options.movie))};
    const std::filesystem::path settings = options.settingsDir.value_or(appDataFolder().value_or(""));
    if (!settings.empty()) {
        inputs.push_back(settings / "Gazeview.ini");
        inputs.push_back(settings / "GazeviewGUI.ini");
    }
    std::vector<std::filesystem::path> outputs;
    for (const std::int64_t at : options.atMs.empty() ? std::vector<std::int64_t>{0} : options.atMs)
        outputs.push_back(picturePath(options, at));
    if (options.logFile)
        outputs.push_back(*options.logFile);
    return OutputGuard::refusal(outputs, inputs);
}

namespace {

int joinPieces(const RenderOptions& options, std::ostream& err)
{
    if (const std::string problem = OutputGuard::refusal({options.output}, options.pieces);
        !problem.empty()) {
        err << "gaze-render: " << problem << '\n';
        return 1;
    }
    PieceJoin join;
    if (!join.join(options.output, options.pieces)) {
        err << "gaze-render: " << join.error() << '\n';
        return join.error().rfind("cannot write", 0) == 0 ? 3 : 2;
    }
    err << options.pieces.size() << " parts joined into " << options.output.string() << '\n';
    return 0;
}

} // namespace

int runRender(const RenderOptions& options, std::ostream& err, bool progressOnSameLine)
{
    if (!options.pieces.empty())
        return joinPieces(options, err);
    // The output replaces whatever has its name: never what it is made from.
    if (const std::string problem = overwriteProblem(options); !problem.empty()) {
        err << "gaze-render: " << problem << '\n';
        return 1;
    }
    OverlayFrames overlay;
    std::string error;
    std::string warnings;
    if (!overlay.load(options, error, warnings)) {
        err << "gaze-render: " << error << '\n';
        return 2;
    }
    if (!warnings.empty())
        err << "gaze-render: " << warnings;
    if (options.format == RenderOptions::Output::Pictures)
        return renderPictures(options, overlay, err);
    return renderVideo(options, overlay, err, progressOnSameLine);
}

int printMovieLength(const std::filesystem::path& movie, std::ostream& out, std::ostream& err)
{
    MovieFrames frames;
    const std::int64_t length = frames.open(movie) ? frames.durationMs() : -1;
    if (length < 0) {
        err << "gaze-render: "
            << (frames.error().empty() ? "the movie " + movie.string() + " does not tell its length"
                                       : frames.error())
            << '\n';
        return 2;
    }
    out << length << '\n';
    return 0;
}
