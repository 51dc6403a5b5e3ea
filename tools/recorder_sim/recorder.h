#pragma once
// The recorder's side of the serial protocol, driven byte by byte with the time given by the caller.

#include "card_folder.h"
#include "faults.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QSet>
#include <QString>

#include <deque>
#include <functional>
#include <optional>

namespace qtx::sim {

// Longest silence inside one frame from the manager; after it the partial frame is dropped.
inline constexpr qint64 kFrameGapMs = 50;
// Silence between upload frames after which the upload is given up (the manager went away).
inline constexpr qint64 kUploadIdleMs = 10000;
// The manager asks again with "d" only after 40 ms without bytes; a "d" that comes sooner after
// a frame's last byte went out crossed that frame on the line and is not a request to resend.
inline constexpr qint64 kCrossingMs = 35;
// Largest payload of a data frame in either direction.
inline constexpr int kMaxPayload = 512;

struct RecorderSettings {
    quint8 deviceId = 1;
    bool passwordOk = true;
    int bitsPerSecond = 0; // line rate in both directions (10 bits a byte); 0 = as fast as possible
    FaultPlan faults;

    // Faults of the card rather than the line.
    bool writeProtected = false;    // the card's lock switch is on: deletes and uploads are refused
    int sizeError = 0;              // added to the size a file header announces (a wrong directory entry)
    QList<QByteArray> listedOnly;   // names the list carries that no file has (a damaged directory)
    QSet<QByteArray> stallingFiles; // files whose sending stops after the first frame (a bad sector)
};

// What the manager asked of the recorder, as the recorder saw it.
struct RecorderTally {
    QList<QByteArray> requests;  // "list", "get NAME", "delete NAME", "upload NAME"
    int stops = 0;               // "B" answers
    int resendRequests = 0;      // "d" answers during a download
    int refusedUploadFrames = 0; // upload frames answered with "d"
};

// The simulated recorder: answers list, get-file, delete and upload requests from its card folder.
// It never blocks and reads no clock: the caller passes the time in milliseconds with every call.
class Recorder {
public:
    using LogSink = std::function<void(const QString&)>;

    Recorder(CardFolder card, const RecorderSettings& settings, LogSink log = {});

    // Bytes from the manager, read at nowMs (on a paced line they come in at the line rate).
    void Receive(QByteArrayView bytes, qint64 nowMs);
    // Lets time pass: bytes come in, frames cut short are dropped, a garbled upload frame is
    // answered with "d".
    void Advance(qint64 nowMs);
    // The bytes that may go out by nowMs (held back by silences and the line rate).
    QByteArray TakeOutput(qint64 nowMs);
    // The earliest time at which Advance or TakeOutput has something to do.
    std::optional<qint64> NextDueMs() const;
    // The manager closed the port: transfers in progress and unsent bytes are forgotten.
    void LineDropped();

    // Bytes read from the manager that have not come in yet on the paced line.
    qsizetype BytesComingIn() const;

    bool Downloading() const { return download_.has_value(); }
    bool Uploading() const { return upload_.has_value(); }
    const RecorderTally& Tally() const { return tally_; }

private:
    enum class Input { Idle, Request, UploadFrame, UploadDiscard };

    struct Chunk {
        QByteArray bytes;
        qint64 dueMs = 0;    // sent no sooner than this, or (received bytes) when they came
        quint64 tag = 0;     // 0 = not a download frame
        qsizetype taken = 0; // received bytes already fed to the recorder
    };

    struct Download {
        QByteArray name;
        QByteArray data;
        qsizetype sent = 0; // payload bytes in the frames sent so far
        quint8 number = 0;  // number of the frame out now
        QByteArray frame;   // the frame out now, intact (the file header before the first frame)
        bool headerOnly = true;
        bool stalled = false; // the card gave no more: nothing goes out any more
        int extraAcks = 0;    // "{" still owed for a copy sent twice
        quint64 tag = 0;      // chunks of the frame out now
        qint64 outAtMs = 0;   // when the last of them went out
    };

    struct Upload {
        QByteArray name;
        quint32 size = 0;
        QByteArray data;
        quint8 expected = 0;
        bool anyAccepted = false;
    };

    qint64 NsPerByte() const;
    void CheckTimeouts(qint64 nowMs);
    void Feed(quint8 byte);
    void CheckRequest();
    void OnRequest(quint8 code, const QByteArray& text, const QByteArray& argument);
    void OnUploadHeader(qsizetype argumentStart, qsizetype nameEnd);
    void CheckUploadFrame();
    void DropRequest(const QString& why);

    void SendList();
    void StartDownload(const QByteArray& name);
    void DeleteFile(const QByteArray& name);
    void OnDownloadAnswer(quint8 byte);
    void SendNextFrame();
    void Transmit();
    void EndDownload(const QString& why);
    bool FramePending() const;
    bool StoreUpload(const QByteArray& whole);

    void Answer(char byte);
    void Enqueue(const QByteArray& bytes, qint64 dueMs, quint64 tag);
    void Log(const QString& line) const;
    void RefuseUploadFrame();

    CardFolder card_;
    RecorderSettings settings_;
    FaultInjector faults_;
    LogSink log_;
    RecorderTally tally_;

    qint64 nowMs_ = 0;
    qint64 lastByteMs_ = 0;
    Input input_ = Input::Idle;
    QByteArray frame_;
    std::optional<Download> download_;
    std::optional<Upload> upload_;

    std::deque<Chunk> inbox_; // bytes from the manager still on their way in
    qint64 inboxLineFreeNs_ = 0;
    std::deque<Chunk> queue_; // bytes to the manager
    quint64 lastTag_ = 0;
    qint64 lineFreeNs_ = 0; // when the paced line has finished the last byte handed out
};

} // namespace qtx::sim
