#pragma once
// A recorder for the link tests, written from the recorder's side of the wire: it serves a card
// held in memory (list, get, delete, upload) and can inject line faults. It shares no code with
// the manager's engine, so the two check each other.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <cstdint>

namespace qtx::test {

// Recorder-side encoders, independent of the engine's.
QByteArray ReplyBytes(std::uint8_t id, std::uint8_t flag, const QList<QByteArray>& lines);
QByteArray FileHeaderBytes(std::int32_t size, std::uint8_t id = 1, std::uint8_t flag = 1);
QByteArray DataFrameBytes(std::uint8_t number, const QByteArray& payload);

class FakeRecorder {
public:
    // Names in list order and their contents.
    QList<QByteArray> names;
    QMap<QByteArray, QByteArray> files;
    std::uint8_t deviceId = 1;
    std::uint8_t password = 1;

    // Faults, counted over the whole run: data frames by the order they are first sent,
    // acknowledgements "{" by the order they arrive.
    QSet<int> corruptFrames;
    QSet<int> lostAcks;
    QSet<int> duplicateFrames;
    bool silent = false;
    bool ignoreDeletes = false; // a delete request is logged but the file stays
    bool stallAfterFirstFrame = false;
    QSet<QByteArray> stallNames; // files whose transfer stops after their first frame
    int sizeError = 0;           // added to the size a file header announces

    // What the manager did.
    QByteArray received;
    QList<QByteArray> requests; // request codes and arguments: "list", "get NAME", "delete NAME"
    QMap<QByteArray, QByteArray> uploads;
    int aborts = 0;
    int resendRequests = 0;
    int rejectedUploadFrames = 0;

    void AddFile(const QByteArray& name, const QByteArray& content);

    // Bytes from the manager in, the recorder's answer out.
    QByteArray Receive(const QByteArray& bytes);

private:
    enum class State { Idle, Request, Sending, UploadFrames };
    void Byte(std::uint8_t b, QByteArray& out);
    void RequestComplete(QByteArray& out);
    void SendFrame(QByteArray& out, bool fresh);
    void Stored(const QByteArray& name, const QByteArray& data);
    void UploadFrameByte(std::uint8_t b, QByteArray& out);

    State state_ = State::Idle;
    QByteArray request_;
    QByteArray sending_;
    qsizetype sendOffset_ = 0;
    int sendNumber_ = 0;
    QByteArray lastFrame_;
    bool stalled_ = false;
    bool stallThis_ = false;
    int framesSent_ = 0;
    int acks_ = 0;
    QByteArray uploadName_;
    qint64 uploadSize_ = 0;
    QByteArray uploadData_;
    QByteArray frame_;
    bool skipChunk_ = false;
};

} // namespace qtx::test
