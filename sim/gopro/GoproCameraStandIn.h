#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QTcpServer;
class QTcpSocket;

// A GoPro camera as its HTTP interface shows it, on 127.0.0.1. It checks the
// password in "t=", records every command it receives, keeps a recording state
// and a list of recorded movies, and serves the live preview
// ("/live/amba.mp4") and the movie folder ("/videos/DCIM/100GOPRO/").
// It can also misbehave: reject chosen commands, never answer, or close the
// connection without an answer.
class GoproCameraStandIn : public QObject
{
    Q_OBJECT
public:
    enum class Behaviour
    {
        Answer,
        NeverAnswer,
        CloseConnection,
    };

    // One command as it reached the camera.
    struct Command
    {
        QString path;      // "camera/SH"
        QString parameter; // the "p=" value as sent, still percent-encoded ("%01"); empty when absent
        QString password;  // the decoded "t=" value
        int status = 0;    // HTTP status of the answer; 0 when none was given

        friend bool operator==(const Command&, const Command&) = default;
    };

    explicit GoproCameraStandIn(QObject* parent = nullptr);
    ~GoproCameraStandIn() override;

    // Listens on 127.0.0.1 (0 picks a free port) and returns the port, or 0 when
    // it cannot listen. A second call adds another port (the media port).
    quint16 listen(quint16 port = 0);
    // Stops listening and drops every open connection.
    void close();

    void setPassword(const QString& password) { password_ = password; }
    void setBehaviour(Behaviour behaviour) { behaviour_ = behaviour; }
    // A slow camera: every request is taken in at once and handled this much later.
    void setAnswerDelayMs(int delayMs) { answerDelayMs_ = delayMs; }
    // Answers this command ("camera/CM") with the HTTP status instead of 200.
    void rejectCommand(const QString& path, int status) { rejected_.insert(path, status); }
    // Bytes served as the live preview.
    void setPreview(const QByteArray& bytes) { preview_ = bytes; }

    const QList<Command>& commands() const { return commands_; }
    bool isRecording() const { return recording_; }
    const QStringList& movies() const { return movies_; }

Q_SIGNALS:
    void commandReceived(const GoproCameraStandIn::Command& command);

private:
    void accept(QTcpServer* server);
    void read(QTcpSocket* socket);
    void answerRequest(QTcpSocket* socket, const QByteArray& target);
    int runCommand(const QString& path, const QByteArray& query);
    QByteArray movieFolderPage() const;

    QList<QTcpServer*> servers_;
    QHash<QTcpSocket*, QByteArray> pending_;
    QString password_ = QStringLiteral("lensmatic");
    Behaviour behaviour_ = Behaviour::Answer;
    int answerDelayMs_ = 0;
    QHash<QString, int> rejected_;
    QByteArray preview_ = QByteArrayLiteral("stand-in live preview\n");
    QList<Command> commands_;
    bool recording_ = false;
    QStringList movies_;
};
