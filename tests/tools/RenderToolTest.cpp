#include "render/RenderJob.h"
#include "render/RenderOptions.h"
#include "shots/MovieFrames.h"

#include "GeneratedMovie.h"
#include "ResultsText.h"
#include "TestEnvironment.h"
#include "player/PlayerExports.h"
#include "player/PlayerWindow.h"
#include "player/core/AppCtrl.h"
#include "player/core/PlayerCommand.h"
#include "player/data/ShotLine.h"
#include "player/media/DsCtrl.h"
#include "player/media/MixerBitmap.h"

#include <QAction>

#include <QApplication>
#include <QImage>
#include <QProcess>
#include <gst/pbutils/pbutils.h>
#include <gtest/gtest.h>

#include <map>
#include <sstream>

using testing_support::TempDir;
using testing_support::writeFile;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// viewers people looking at (x, y) until switchMs, then at (x2, y); every one
// marks a keypoint at 500 ms.
void writeStudy(const std::filesystem::path& folder, int viewers, double x, double y, double x2 = -1,
                int switchMs = 1 << 30)
{
    std::filesystem::create_directories(folder);
    for (int v = 0; v < viewers; ++v) {
        std::vector<results_text::Row> rows;
        for (int t = 0; t <= 8000; t += 20) {
            const double at = t < switchMs ? x : x2;
            rows.push_back({t, static_cast<int>(at * 1e6) + v * 100, static_cast<int>(y * 1e6), 1,
                            30000 + 10 * t, t == 500 ? 1 : 0});
        }
        writeFile(folder / ("viewer" + std::to_string(100 + v) + ".csv"), results_text::fileOf(rows));
    }
}

// Black movie with a tone: the heat map's colours show undisturbed over it.
std::filesystem::path blackMovie(const TempDir& dir, int seconds, int width = kWidth, int height = kHeight)
{
    const auto movie = dir / "film.avi";
    const std::string frames = std::to_string(seconds * 25);
    const std::string buffers = std::to_string(seconds * 100);
    EXPECT_TRUE(generated_movie::run(
        generated_movie::source("black", seconds * 25, width, height, 25) + "! jpegenc ! avimux name=mux ! " +
        "filesink location=\"" + movie.string() + "\" audiotestsrc num-buffers=" + buffers +
        " samplesperbuffer=441 ! audio/x-raw,format=S16LE,rate=44100,channels=1 ! mux."));
    return movie;
}

RenderOptions heatOptions(const TempDir& dir, const std::filesystem::path& movie, const std::string& output)
{
    RenderOptions options;
    options.movie = movie;
    options.directory = true;
    options.results = dir / "study";
    options.output = dir / output;
    options.settingsDir = dir / "settings"; // no files there: the player's defaults
    // Circles of one size, so their place is easy to tell.
    options.focusTime = false;
    return options;
}

struct Outcome
{
    int status;
    std::string err;
};

Outcome render(RenderOptions options)
{
    const std::string extension = options.output.extension().string();
    options.format = extension == ".mp4"    ? RenderOptions::Output::Mp4
                     : extension == ".webm" ? RenderOptions::Output::WebM
                                            : RenderOptions::Output::Pictures;
    std::ostringstream err;
    const int status = runRender(options, err);
    return {status, err.str()};
}

bool reddish(QRgb pixel)
{
    return qRed(pixel) > 150 && qGreen(pixel) < 70 && qBlue(pixel) < 70;
}
bool magentaish(QRgb pixel)
{
    return qRed(pixel) > 150 && qGreen(pixel) < 90 && qBlue(pixel) > 150;
}
bool dark(QRgb pixel)
{
    return qRed(pixel) < 40 && qGreen(pixel) < 40 && qBlue(pixel) < 40;
}

// Waits until the player shows the frame of atMs with its overlay, in a video
// rectangle of the movie's own size so that neither picture is scaled, and grabs it.
void grabPlayerPicture(PlayerWindow& window, QSize size, int atMs, QImage& picture)
{
    ASSERT_TRUE(
        testing_support::waitUntil([] { return DsCtrl::IsMovieOpen() && !DsCtrl::NewestFrame().isNull(); }));
    // The window's parts settle over a few layouts: the size is corrected until it fits.
    for (int attempt = 0; attempt < 5 && DsCtrl::VideoRect().size() != size; ++attempt) {
        window.resize(window.size() + size - DsCtrl::VideoRect().size());
        testing_support::waitUntil([] { return false; }, std::chrono::milliseconds(100));
    }
    ASSERT_EQ(DsCtrl::VideoRect().size(), size);
    ASSERT_TRUE(testing_support::waitUntil([] { return !DsCtrl::GetMixerBitmap()->isEmpty(); }));
    ASSERT_EQ(DsCtrl::GetCurrentPositionMilis(), atMs);
    picture = window.videoWidget()->grab(DsCtrl::VideoRect()).toImage().convertToFormat(QImage::Format_RGB32);
}

int differingPixels(const QImage& a, const QImage& b)
{
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            differing += a.pixel(x, y) != b.pixel(x, y);
    return differing;
}

bool hasSound(const std::filesystem::path& file)
{
    GError* error = nullptr;
    GstDiscoverer* discoverer = gst_discoverer_new(10 * GST_SECOND, &error);
    gchar* uri = gst_filename_to_uri(file.c_str(), nullptr);
    GstDiscovererInfo* info = gst_discoverer_discover_uri(discoverer, uri, &error);
    GList* audio = info != nullptr ? gst_discoverer_info_get_audio_streams(info) : nullptr;
    const bool found = audio != nullptr;
    gst_discoverer_stream_info_list_free(audio);
    if (info != nullptr)
        g_object_unref(info);
    if (error != nullptr)
        g_error_free(error);
    g_free(uri);
    g_object_unref(discoverer);
    return found;
}

TEST(RenderTool, FiveSecondsOfAStudyBecomeAnMp4WithTheHeatMapWhereTheViewersLooked)
{
    // [GIVEN] 30 viewers looking at the left quarter, half-way down, of a 6 s black movie with sound
    TempDir dir;
    const auto movie = blackMovie(dir, 6);
    writeStudy(dir / "study", 30, 0.25, 0.5);
    RenderOptions options = heatOptions(dir, movie, "study.mp4");
    options.toMs = 5000;

    // [WHEN]
    const Outcome run = render(options);

    // [THEN] five seconds of frames at the movie's size, with its sound
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(hasSound(dir / "study.mp4"));
    const auto frames = generated_movie::framesOf(dir / "study.mp4");
    ASSERT_NEAR(static_cast<double>(frames.size()), 125.0, 1.0);
    const QImage& image = frames[60].image;
    ASSERT_EQ(image.size(), QSize(kWidth, kHeight));
    // red where everybody looks, the movie's black where nobody does
    EXPECT_TRUE(reddish(image.pixel(kWidth / 4, kHeight / 2)))
        << std::hex << image.pixel(kWidth / 4, kHeight / 2);
    EXPECT_TRUE(dark(image.pixel(kWidth * 3 / 4, kHeight / 2)));
    // the first keypoint square lights up: every viewer marked a keypoint in the one shot
    EXPECT_TRUE(magentaish(image.pixel(static_cast<int>(0.059 * kWidth), static_cast<int>(0.775 * kHeight))));
    // and nothing half-written is left beside the output
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST(RenderTool, TheLegendIsBurntInOnlyWhenAskedFor)
{
    // [GIVEN] a study over a black 640 x 360 movie
    TempDir dir;
    const QSize size(640, 360);
    const auto movie = blackMovie(dir, 2, size.width(), size.height());
    writeStudy(dir / "study", 5, 0.25, 0.5);
    const auto pictureWith = [&](std::optional<bool> legend, const std::string& name) {
        RenderOptions options = heatOptions(dir, movie, name);
        options.atMs = {1000};
        options.legend = legend;
        const Outcome run = render(options);
        EXPECT_EQ(run.status, 0) << run.err;
        return QImage(QString::fromStdString((dir / name).string())).convertToFormat(QImage::Format_RGB32);
    };
    const auto whiteInTopRight = [&](const QImage& picture) {
        int white = 0;
        for (int y = 0; y < size.height() / 3; ++y)
            for (int x = size.width() / 2; x < size.width(); ++x)
                white += qGray(picture.pixel(x, y)) > 240;
        return white;
    };

    // [WHEN] pictures are made by default, with the legend off and with it on
    const QImage byDefault = pictureWith(std::nullopt, "default.png");
    const QImage off = pictureWith(false, "off.png");
    const QImage on = pictureWith(true, "on.png");

    // [THEN] only the last has the legend's text in its top right, and the marks are the same in all
    ASSERT_EQ(on.size(), size);
    EXPECT_EQ(whiteInTopRight(byDefault), 0);
    EXPECT_EQ(off, byDefault);
    EXPECT_GT(whiteInTopRight(on), 10);
    EXPECT_EQ(on.pixel(size.width() / 4, size.height() / 2), off.pixel(size.width() / 4, size.height() / 2));
    EXPECT_TRUE(reddish(on.pixel(size.width() / 4, size.height() / 2)));
}

TEST(RenderTool, APartOfTheMovieShowsTheGazeOfItsOwnTimes)
{
    // [GIVEN] viewers who look left until 3 s, then right
    TempDir dir;
    const auto movie = blackMovie(dir, 5);
    writeStudy(dir / "study", 10, 0.25, 0.5, 0.75, 3000);
    RenderOptions options = heatOptions(dir, movie, "part.webm");
    options.fromMs = 2500;
    options.toMs = 3500;

    // [WHEN] the second from 2.5 s to 3.5 s goes to WebM
    const Outcome run = render(options);

    // [THEN] it lasts one second; its first half shows the gaze on the left, its second on the right
    ASSERT_EQ(run.status, 0) << run.err;
    const auto frames = generated_movie::framesOf(dir / "part.webm");
    ASSERT_NEAR(static_cast<double>(frames.size()), 25.0, 1.0);
    const QPoint left(kWidth / 4, kHeight / 2);
    const QPoint right(kWidth * 3 / 4, kHeight / 2);
    EXPECT_TRUE(reddish(frames[5].image.pixel(left)));
    EXPECT_FALSE(reddish(frames[5].image.pixel(right)));
    EXPECT_TRUE(reddish(frames[20].image.pixel(right)));
    EXPECT_FALSE(reddish(frames[20].image.pixel(left)));
}

TEST(RenderTool, APictureEqualsWhatThePlayerShowsAtThatTime)
{
    // [GIVEN] a study over a still colour pattern, and the player showing it paused at 1.3 s (the
    // player may show the frame after the one of its position, so every frame is alike)
    TempDir dir;
    const auto movie = dir / "film.avi";
    const QSize size(960, 400);
    ASSERT_TRUE(generated_movie::run(generated_movie::source("colors", 50, size.width(), size.height(), 25) +
                                     "! jpegenc ! avimux ! filesink location=\"" + movie.string() + "\""));
    writeStudy(dir / "study", 12, 0.4, 0.3);
    constexpr int kAtMs = 1300;

    AppCtrl app;
    app.iniFilePath = dir / "settings" / "Gazeview.ini";
    app.guiFilePath = dir / "settings" / "GazeviewGUI.ini";
    app.mode = AppCtrl::Mode::Directory;
    app.resultsPath = QString::fromStdString((dir / "study").string());
    app.movieFileName = QString::fromStdString(movie.string());
    app.beginTimeMs = kAtMs;
    {
        PlayerWindow window(app);
        window.show();
        window.startUp();
        QImage player;
        ASSERT_NO_FATAL_FAILURE(grabPlayerPicture(window, size, kAtMs, player));

        // [WHEN] the tool draws the same time
        RenderOptions options;
        options.movie = movie;
        options.directory = true;
        options.results = dir / "study";
        options.settingsDir = dir / "settings";
        options.output = dir / "at.png";
        options.atMs = {kAtMs};
        const Outcome run = render(options);
        ASSERT_EQ(run.status, 0) << run.err;

        // [THEN] the pictures are the same, pixel for pixel
        const QImage picture =
            QImage(QString::fromStdString((dir / "at.png").string())).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(picture.size(), player.size());
        EXPECT_EQ(differingPixels(picture, player), 0);
        EXPECT_TRUE(reddish(
            picture.pixel(static_cast<int>(0.4 * size.width()), static_cast<int>(0.3 * size.height()))));
    }
    DsCtrl::CloseInterfaces();
}

TEST(RenderTool, AScanPathPictureEqualsWhatThePlayerShows)
{
    // [GIVEN] one viewer resting on two places for a second each, and the player showing its scan path
    // paused at 1.9 s over a still colour pattern
    TempDir dir;
    const auto movie = dir / "film.avi";
    const QSize size(960, 400);
    ASSERT_TRUE(generated_movie::run(generated_movie::source("colors", 75, size.width(), size.height(), 25) +
                                     "! jpegenc ! avimux ! filesink location=\"" + movie.string() + "\""));
    std::vector<results_text::Row> rows;
    for (int t = 0; t <= 2000; t += 17) {
        const bool second = t > 1000;
        rows.push_back(
            {t, (second ? 700000 : 200000) + (t % 3) * 200, second ? 600000 : 300000, 1, 30000, 0});
    }
    const auto results = dir / "viewer.csv";
    writeFile(results, results_text::fileOf(rows));
    constexpr int kAtMs = 1900;

    AppCtrl app;
    app.iniFilePath = dir / "settings" / "Gazeview.ini";
    app.guiFilePath = dir / "settings" / "GazeviewGUI.ini";
    app.mode = AppCtrl::Mode::File;
    app.resultsPath = QString::fromStdString(results.string());
    app.movieFileName = QString::fromStdString(movie.string());
    app.beginTimeMs = kAtMs;
    app.showScanPath = true;
    {
        PlayerWindow window(app);
        window.show();
        window.startUp();
        QImage player;
        ASSERT_NO_FATAL_FAILURE(grabPlayerPicture(window, size, kAtMs, player));

        // [WHEN] the tool draws the same time with the scan path
        RenderOptions options;
        options.movie = movie;
        options.results = results;
        options.settingsDir = dir / "settings";
        options.output = dir / "at.png";
        options.atMs = {kAtMs};
        options.scanPath = true;
        const Outcome run = render(options);
        ASSERT_EQ(run.status, 0) << run.err;

        // [THEN] the pictures are the same, pixel for pixel, and the first place's fixation is there
        const QImage picture =
            QImage(QString::fromStdString((dir / "at.png").string())).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(picture.size(), player.size());
        EXPECT_EQ(differingPixels(picture, player), 0);

        // Without the switch the tool leaves the path out: the first place's fixation is gone.
        options.scanPath = false;
        options.output = dir / "without.png";
        ASSERT_EQ(render(options).status, 0);
        const QImage without = QImage(QString::fromStdString((dir / "without.png").string()))
                                   .convertToFormat(QImage::Format_RGB32);
        int changed = 0;
        const QPoint first(static_cast<int>(0.2 * size.width()), static_cast<int>(0.3 * size.height()));
        for (int y = first.y() - 5; y <= first.y() + 5; ++y)
            for (int x = first.x() - 5; x <= first.x() + 5; ++x)
                changed += picture.pixel(x, y) != without.pixel(x, y);
        EXPECT_GT(changed, 100) << "the fixation's circle covers its place";
    }
    DsCtrl::CloseInterfaces();
}

TEST(RenderTool, BadInputsAreRefusedAndLeaveNoOutput)
{
    TempDir dir;
    writeStudy(dir / "study", 2, 0.5, 0.5);
    writeFile(dir / "notes.avi", "no movie in here");
    ASSERT_TRUE(generated_movie::run("audiotestsrc num-buffers=100 ! wavenc ! filesink location=\"" +
                                     (dir / "sound.wav").string() + "\""));
    const auto movie = blackMovie(dir, 1);

    struct Case
    {
        std::filesystem::path movie;
        std::filesystem::path results;
        std::string output;
        int status;
    };
    const Case cases[] = {
        {dir / "missing.avi", dir / "study", "a.mp4", 2}, // no movie
        {dir / "notes.avi", dir / "study", "b.mp4", 2},   // not a movie
        {dir / "sound.wav", dir / "study", "c.webm", 2},  // no video in it
        {movie, dir / "nobody", "d.mp4", 2},              // no results
        {movie, dir / "study", "missing/e.mp4", 3},       // output cannot be written
        {movie, dir / "study", "f.png", 2},               // picture past the end
    };
    for (const Case& c : cases) {
        RenderOptions options = heatOptions(dir, c.movie, c.output);
        options.results = c.results;
        options.atMs = {60000};
        const Outcome run = render(options);
        EXPECT_EQ(run.status, c.status) << c.output << ": " << run.err;
        EXPECT_NE(run.err.find("gaze-render: "), std::string::npos) << c.output;
    }
    // only the inputs are there
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);

    // an output named like the movie would replace it
    const auto before = std::filesystem::file_size(movie);
    RenderOptions over = heatOptions(dir, movie, "film.avi");
    over.output = dir / "." / "film.avi";
    EXPECT_EQ(render(over).status, 1);
    EXPECT_EQ(std::filesystem::file_size(movie), before);

    // a movie of odd size cannot become a video: it is told as the movie's fault, not the output's
    const auto odd = dir / "odd.mkv";
    ASSERT_TRUE(generated_movie::run(generated_movie::source("black", 25, 7, 5, 25) +
                                     "! avenc_ffv1 ! matroskamux ! filesink location=\"" + odd.string() +
                                     "\""));
    RenderOptions oddOptions = heatOptions(dir, odd, "odd.mp4");
    const Outcome oddRun = render(oddOptions);
    EXPECT_EQ(oddRun.status, 2) << oddRun.err;
    EXPECT_NE(oddRun.err.find("the movie is 7x5 pixels"), std::string::npos) << oddRun.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "odd.mp4"));
}

TEST(RenderTool, NoOutputReplacesAnInputWhateverItsName)
{
    TempDir dir;
    writeStudy(dir / "study", 1, 0.5, 0.5);
    std::filesystem::create_directories(dir / "settings");
    writeFile(dir / "settings" / "Gazeview.ini", "[Preprocessing]\r\n");
    const auto results = dir / "study" / "viewer100.csv";
    const std::string kept = testing_support::readFile(results);
    std::filesystem::create_symlink(results, dir / "link.png");
    std::filesystem::create_hard_link(dir / "settings" / "Gazeview.ini", dir / "hard.png");

    struct Case
    {
        std::filesystem::path output;
        bool directory;
    };
    // Given outputs that reach an input: plainly, through "./", through links, as a folder's member
    const Case cases[] = {
        {results, false},          {dir / "study" / "." / "viewer100.csv", false},
        {dir / "link.png", false}, {dir / "link.png", true},
        {dir / "hard.png", true},
    };
    for (const Case& c : cases) {
        RenderOptions options = heatOptions(dir, dir / "film.avi", "unused.png");
        options.directory = c.directory;
        options.results = c.directory ? dir / "study" : results;
        options.output = c.output;
        options.atMs = {100};
        // When the tool is run, Then it refuses before reading anything
        const Outcome run = render(options);
        EXPECT_EQ(run.status, 1) << c.output;
        EXPECT_NE(run.err.find("would replace the input"), std::string::npos) << run.err;
    }
    // and so does the log
    RenderOptions logged = heatOptions(dir, dir / "film.avi", "fresh.png");
    logged.atMs = {100};
    logged.logFile = results;
    EXPECT_NE(overwriteProblem(logged), "");
    EXPECT_EQ(testing_support::readFile(results), kept);
    EXPECT_EQ(testing_support::readFile(dir / "settings" / "Gazeview.ini"), "[Preprocessing]\r\n");
}

TEST(RenderTool, CommandLineAndProgress)
{
    const auto parse = [](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "gaze-render");
        return parseRenderArguments(arguments);
    };
    const ParsedRenderArguments good =
        parse({"-m", "film.avi", "-d", "study", "-o", "out.png", "--at", "100,2000", "--quality", "accurate",
               "--focus-time", "off", "--legend", "on"});
    ASSERT_EQ(good.error, "");
    EXPECT_EQ(good.options.format, RenderOptions::Output::Pictures);
    EXPECT_EQ(good.options.atMs, (std::vector<std::int64_t>{100, 2000}));
    EXPECT_EQ(good.options.quality, 1);
    EXPECT_EQ(good.options.focusTime, false);
    EXPECT_EQ(good.options.legend, true);
    EXPECT_EQ(picturePath(good.options, 2000), "out-2000.png");

    for (const auto& bad : std::vector<std::vector<std::string>>{
             {"-m", "a.avi", "-f", "a.csv", "-d", "s", "-o", "o.mp4"},
             {"-m", "a.avi", "-o", "o.mp4"},
             {"-m", "a.avi", "-d", "s", "-o", "o.avi"},
             {"-m", "a.avi", "-d", "s", "-o", "o.png"},
             {"-m", "a.avi", "-d", "s", "-o", "o.mp4", "--at", "5"},
             {"-m", "a.avi", "-d", "s", "-o", "o.mp4", "--from", "500", "--to", "400"},
             {"-m", "a.avi", "-d", "s", "-o", "o.mp4", "--pupil", "maybe"},
             {"-m", "a.avi", "-d", "s", "-o", "o.mp4", "--settings", "/dev/zero"}})
        EXPECT_NE(parse(bad).error, "") << ::testing::PrintToString(bad);

    // An integer option is refused in one line naming it, the value and the range it takes.
    const std::pair<std::vector<std::string>, std::string> refusals[] = {
        {{"--at", "100,x1"}, "--at needs a whole number from 0 to 2147483647, not \"x1\""},
        {{"--at", "-5"}, "--at needs a whole number from 0 to 2147483647, not \"-5\""},
        {{"--from", "1.5"}, "--from needs a whole number from 0 to 2147483647, not \"1.5\""},
        {{"--from", "500", "--to", "400"}, "--to needs a whole number from 501 to 2147483647, not \"400\""},
        {{"--to", "99999999999"}, "--to needs a whole number from 1 to 2147483647, not \"99999999999\""},
    };
    for (const auto& [options, error] : refusals) {
        std::vector<std::string> arguments{"-m", "a.avi", "-d", "s", "-o", "o.png", "--at", "1"};
        if (options.front() == "--at")
            arguments.resize(6);
        arguments.insert(arguments.end(), options.begin(), options.end());
        EXPECT_EQ(parse(arguments).error, error);
    }

    // A quarter of a 40 s part done in 10 s leaves about 30 s.
    std::ostringstream out;
    auto now = std::chrono::steady_clock::time_point();
    RenderProgress progress(out, 40000, false, [&] { return now; });
    for (int frame = 1; frame <= 250; ++frame) {
        now += std::chrono::milliseconds(40);
        progress.frameDone(frame * 40);
    }
    EXPECT_NE(out.str().find("10.0 of 40.0 s (25%), 25.0 frames/s, about 0:30 left"), std::string::npos)
        << out.str();
    EXPECT_EQ(RenderProgress::clockText(3723), "1:02:03");
}

TEST(RenderTool, WithoutASessionTheConsoleHoldsOnlyTheToolsOwnWords)
{
    // Started from a service or a plain ssh login: no runtime folder is named
    TempDir dir;
    const auto movie = blackMovie(dir, 1);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    QProcess tool;
    tool.setProcessEnvironment(environment);
    for (const QStringList& arguments : {QStringList{QStringLiteral("--length"), QStringLiteral("-m"),
                                                     QString::fromStdString(movie.string())},
                                         QStringList{QStringLiteral("--length")}}) {
        tool.start(QStringLiteral(GAZE_BIN_DIR "/gaze-render"), arguments);
        ASSERT_TRUE(tool.waitForFinished(30000));
        const QString err = QString::fromLocal8Bit(tool.readAllStandardError());
        EXPECT_FALSE(err.contains(QStringLiteral("XDG_RUNTIME_DIR"))) << err.toStdString();
        EXPECT_FALSE(err.contains(QStringLiteral("QStandardPaths"))) << err.toStdString();
        EXPECT_TRUE(err.isEmpty() || err.startsWith(QStringLiteral("gaze-render: "))) << err.toStdString();
    }
}

TEST(RenderTool, ThePlayerAsksTheToolForWhatItShows)
{
    AppCtrl app;
    app.movieFileName = QStringLiteral("/films/a film.avi");
    app.mode = AppCtrl::Mode::Directory;
    app.resultsPath = QStringLiteral("/studies/one");
    app.appDataDir = "/home/someone/.config/Orvalis";
    app.multiQuality = 1;
    app.considerFocusTime = false;
    app.showPupil = false;

    std::vector<std::string> arguments{"gaze-render"};
    for (const QString& argument : PlayerExports::renderArguments(app, QStringLiteral("/out/v.webm")))
        arguments.push_back(argument.toStdString());
    const ParsedRenderArguments parsed = parseRenderArguments(arguments);

    ASSERT_EQ(parsed.error, "");
    const RenderOptions& o = parsed.options;
    EXPECT_EQ(o.movie, "/films/a film.avi");
    EXPECT_TRUE(o.directory);
    EXPECT_EQ(o.results, "/studies/one");
    EXPECT_EQ(o.format, RenderOptions::Output::WebM);
    EXPECT_EQ(o.shotFile, std::filesystem::path("/films/a film.avi_shots.csv"));
    EXPECT_EQ(o.settingsDir, std::filesystem::path("/home/someone/.config/Orvalis"));
    EXPECT_EQ(o.quality, 1);
    EXPECT_EQ(o.focusTime, false);
    EXPECT_EQ(o.filtered, true);
    EXPECT_EQ(o.heatmap, true);
    EXPECT_EQ(o.pupil, false);
    EXPECT_EQ(o.keypoints, true);
    EXPECT_EQ(o.scanPath, false);
}

TEST(RenderTool, ThePlayerFindsTheShotsOfAMovieWithoutAShotFileAndExportsWhatItShows)
{
    // [GIVEN] a movie of two parts without a shot file, opened in the player with a study
    TempDir dir;
    const auto movie = dir / "film.avi";
    ASSERT_TRUE(generated_movie::run(
        "concat name=c ! videoconvert ! jpegenc ! avimux ! filesink location=\"" + movie.string() + "\" " +
        generated_movie::source("red", 25, kWidth, kHeight, 25) + "! c. " +
        generated_movie::source("blue", 25, kWidth, kHeight, 25) + "! c."));
    writeStudy(dir / "study", 5, 0.5, 0.5);
    AppCtrl app;
    app.ownFileName = QStringLiteral(GAZE_BIN_DIR "/Gazeview");
    app.appDataDir = dir / "settings";
    app.iniFilePath = dir / "settings" / "Gazeview.ini";
    app.guiFilePath = dir / "settings" / "GazeviewGUI.ini";
    app.mode = AppCtrl::Mode::Directory;
    app.resultsPath = QString::fromStdString((dir / "study").string());
    app.movieFileName = QString::fromStdString(movie.string());
    {
        PlayerWindow window(app);
        QStringList told;
        window.exports().tell = [&](const QString& text) { told << text; };
        window.exports().chooseOutput = [&](const QString&) {
            return QString::fromStdString((dir / "shown.mp4").string());
        };
        window.show();
        window.startUp();
        ASSERT_TRUE(testing_support::waitUntil([] { return DsCtrl::IsMovieOpen(); }));
        ASSERT_EQ(window.shots().shots().size(), 1u);
        EXPECT_TRUE(window.action(ID_FIND_SHOTS)->isEnabled());

        // [WHEN] the shots are asked for
        window.command(ID_FIND_SHOTS);

        // [THEN] the cut at 1 s comes in while the window goes on, and the offer is withdrawn
        ASSERT_TRUE(testing_support::waitUntil([&] { return !window.exports().busy(); },
                                               std::chrono::milliseconds(30000)));
        ASSERT_EQ(window.shots().shots().size(), 2u) << told.join(QLatin1Char('|')).toStdString();
        EXPECT_NEAR(window.shots().shots()[1].time, 1000, 40);
        EXPECT_FALSE(window.shots().modified());
        EXPECT_FALSE(window.action(ID_FIND_SHOTS)->isEnabled());

        // [WHEN] the video of what it shows is asked for
        window.command(ID_EXPORT_VIDEO);

        // [THEN] it is written with the heat map at the centre
        ASSERT_TRUE(testing_support::waitUntil([&] { return !window.exports().busy(); },
                                               std::chrono::milliseconds(60000)));
        ASSERT_TRUE(told.last().contains(QStringLiteral("ready")))
            << told.join(QLatin1Char('|')).toStdString();
        const auto frames = generated_movie::framesOf(dir / "shown.mp4");
        ASSERT_NEAR(static_cast<double>(frames.size()), 50.0, 1.0);
        EXPECT_TRUE(reddish(frames[10].image.pixel(kWidth / 2, kHeight / 2)));
    }
    DsCtrl::CloseInterfaces();
}

} // namespace

TEST(RenderTool, APlayerOpenedPausedShowsTheFrameOfItsTime)
{
    // [GIVEN] a movie whose every frame differs (the pattern moves), at 25 frames a second
    TempDir dir;
    const auto movie = dir / "moving.avi";
    ASSERT_TRUE(generated_movie::run(generated_movie::source("smpte horizontal-speed=16", 50, 320, 240, 25) +
                                     "! jpegenc ! avimux ! filesink location=\"" + movie.string() + "\""));
    std::map<std::int64_t, QImage> frames;
    {
        MovieFrames decoded;
        ASSERT_TRUE(decoded.open(movie)) << decoded.error();
        MovieFrames::Frame frame;
        while (decoded.next(frame))
            frames[frame.timeMs] = frame.image.copy();
    }
    ASSERT_TRUE(frames.count(1280) && frames.count(1320));
    ASSERT_NE(frames[1280], frames[1320]);

    // [WHEN] the player opens it paused at 1.3 s
    AppCtrl app;
    app.iniFilePath = dir / "settings" / "Gazeview.ini";
    app.guiFilePath = dir / "settings" / "GazeviewGUI.ini";
    app.mode = AppCtrl::Mode::None;
    app.movieFileName = QString::fromStdString(movie.string());
    app.beginTimeMs = 1300;
    PlayerWindow window(app);
    window.show();
    window.startUp();
    ASSERT_TRUE(
        testing_support::waitUntil([] { return DsCtrl::IsMovieOpen() && !DsCtrl::NewestFrame().isNull(); }));
    testing_support::waitUntil([] { return false; }, std::chrono::milliseconds(300));

    // [THEN] it shows the frame that is on screen from 1280 ms to 1320 ms
    const QImage shown = DsCtrl::NewestFrame().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(DsCtrl::GetCurrentPositionMilis(), 1300);
    EXPECT_TRUE(shown == frames[1280].convertToFormat(QImage::Format_RGB32)) << "not the frame of 1280 ms";
    EXPECT_FALSE(shown == frames[1320].convertToFormat(QImage::Format_RGB32)) << "the frame after it";
}
