// Stand-in for a GoPro camera's HTTP interface, on 127.0.0.1.
//
//   GoProCamera --port 8081 --media-port 8080
//   GAZELOG_GOPRO_ADDRESS=127.0.0.1:8081 GAZELOG_GOPRO_MEDIA_PORT=8080 Gazelog

#include "common/ProgramHelp.h"
#include "sim/gopro/GoproCameraStandIn.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <iostream>

namespace {

bool parsePort(const QString& text, quint16& port)
{
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value > 65535)
        return false;
    port = static_cast<quint16>(value);
    return true;
}

int fail(const QString& message)
{
    std::fprintf(stderr, "GoProCamera: %s\n", qUtf8Printable(message));
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Stand-in for a GoPro camera's HTTP interface on 127.0.0.1."));
    parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("Port of the command server (0: any free port)."),
         QStringLiteral("port"), QStringLiteral("0")},
        {QStringLiteral("media-port"), QStringLiteral("Extra port for the preview and the movie folder."),
         QStringLiteral("port")},
        {QStringLiteral("password"), QStringLiteral("Wi-Fi password the camera expects."),
         QStringLiteral("password"), QStringLiteral("lensmatic")},
        {QStringLiteral("behaviour"),
         QStringLiteral("answer, silent (never answers) or close (closes at once)."),
         QStringLiteral("behaviour"), QStringLiteral("answer")},
        {QStringLiteral("reject"),
         QStringLiteral("Answer a command (camera/CM) with a status, e.g. camera/CM=410."),
         QStringLiteral("command=status")},
        {QStringLiteral("preview"), QStringLiteral("File served as the live preview."),
         QStringLiteral("file")},
    });
    if (const auto answered =
            ProgramHelp::parseOrAnswer(parser, argc, argv, "GoProCamera", std::cout, std::cerr))
        return *answered;

    GoproCameraStandIn camera;
    camera.setPassword(parser.value(QStringLiteral("password")));

    const QString behaviour = parser.value(QStringLiteral("behaviour"));
    if (behaviour == QStringLiteral("silent"))
        camera.setBehaviour(GoproCameraStandIn::Behaviour::NeverAnswer);
    else if (behaviour == QStringLiteral("close"))
        camera.setBehaviour(GoproCameraStandIn::Behaviour::CloseConnection);
    else if (behaviour != QStringLiteral("answer"))
        return fail(QStringLiteral("unknown behaviour \"%1\"").arg(behaviour));

    for (const QString& rule : parser.values(QStringLiteral("reject"))) {
        const int equals = rule.lastIndexOf(QLatin1Char('='));
        bool ok = false;
        const int status = equals > 0 ? rule.mid(equals + 1).toInt(&ok) : 0;
        if (!ok || status < 100 || status > 599)
            return fail(QStringLiteral("--reject needs command=status, got \"%1\"").arg(rule));
        camera.rejectCommand(rule.left(equals), status);
    }

    if (parser.isSet(QStringLiteral("preview"))) {
        QFile file(parser.value(QStringLiteral("preview")));
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString()));
        camera.setPreview(file.readAll());
    }

    quint16 requested = 0;
    if (!parsePort(parser.value(QStringLiteral("port")), requested))
        return fail(QStringLiteral("invalid --port"));
    const quint16 port = camera.listen(requested);
    if (port == 0)
        return fail(QStringLiteral("cannot listen on 127.0.0.1:%1").arg(requested));
    std::printf("GoPro camera stand-in on 127.0.0.1:%u\n", port);

    if (parser.isSet(QStringLiteral("media-port"))) {
        quint16 mediaRequested = 0;
        if (!parsePort(parser.value(QStringLiteral("media-port")), mediaRequested))
            return fail(QStringLiteral("invalid --media-port"));
        const quint16 mediaPort = camera.listen(mediaRequested);
        if (mediaPort == 0)
            return fail(QStringLiteral("cannot listen on 127.0.0.1:%1").arg(mediaRequested));
        std::printf("preview and movies on 127.0.0.1:%u\n", mediaPort);
    }
    std::fflush(stdout);

    QObject::connect(&camera, &GoproCameraStandIn::commandReceived,
                     [](const GoproCameraStandIn::Command& command) {
                         std::printf("%s p=%s -> %d\n", qUtf8Printable(command.path),
                                     qUtf8Printable(command.parameter), command.status);
                         std::fflush(stdout);
                     });
    return app.exec();
}
