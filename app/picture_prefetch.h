#pragma once
// Decoding ahead. While the worker frames one picture, a helper thread reads
// and converts the next one, so the decoder (one core) and the engine's
// threads work at the same time. At most one picture is asked for or held at
// a time, and it reaches the job only when the worker takes it for the same
// path: a picture decoded ahead of a stop is dropped, never written. The
// helper starts a decode only when the job lets it (no pause, no stop), and
// posts nothing: every report of a picture is made by the worker, in order.

#include "batch_worker.h"

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class CPicturePrefetch {
public:
    using CDecode = std::function<CDecodedPicture(const std::string& sourcePath)>;

    CPicturePrefetch(CWorkerThread& job, CDecode decode);
    // Close().
    ~CPicturePrefetch();

    CPicturePrefetch(const CPicturePrefetch&) = delete;
    CPicturePrefetch& operator=(const CPicturePrefetch&) = delete;

    // Asks for `sourcePath` to be decoded ahead; whatever was asked for or
    // held before is dropped. The helper thread starts with the first request,
    // so a job of one picture never has one.
    void Request(const std::string& sourcePath);

    // Hands over the picture decoded ahead for `sourcePath`, waiting while
    // its decoding is under way. False when there is none: nothing asked for
    // that path, or its decoding not begun yet (the request is withdrawn, so
    // the worker never waits on a helper that rests); the caller decodes the
    // picture itself then. An exception of the decoding (no memory) is
    // thrown here, on the worker's thread.
    bool Take(const std::string& sourcePath, CDecodedPicture& picture);

    // Drops what is asked for or held, lets a decoding under way finish and
    // ends the helper thread. Request starts a new one.
    void Close();

private:
    enum class EState { Idle, Asked, Decoding, Ready };

    void HelperBody();

    CWorkerThread& job;
    CDecode decode;

    std::mutex lock;
    std::condition_variable changed;
    EState state = EState::Idle;
    bool closing = false;
    std::string askedPath;
    CDecodedPicture held;
    std::exception_ptr failure;
    std::thread helper;
};
