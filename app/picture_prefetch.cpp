#include "picture_prefetch.h"

#include <chrono>
#include <system_error>
#include <utility>

namespace {
// How often a helper held back by a pause looks again (a resume is signalled
// to the worker, not to it).
constexpr auto kRestInterval = std::chrono::milliseconds(20);
} // namespace

CPicturePrefetch::CPicturePrefetch(CWorkerThread& job, CDecode decode) : job(job), decode(std::move(decode)) {}

CPicturePrefetch::~CPicturePrefetch()
{
    Close();
}

void CPicturePrefetch::Request(const std::string& sourcePath)
{
    std::unique_lock guard(lock);
    changed.wait(guard, [this] { return state != EState::Decoding; });
    held = CDecodedPicture{};
    failure = nullptr;
    askedPath = sourcePath;
    state = EState::Asked;
    if (!helper.joinable()) {
        closing = false;
        try {
            helper = std::thread(&CPicturePrefetch::HelperBody, this);
        } catch (const std::system_error&) {
            // No thread: the worker decodes every picture itself.
            state = EState::Idle;
            askedPath.clear();
            return;
        }
    }
    guard.unlock();
    changed.notify_all();
}

bool CPicturePrefetch::Take(const std::string& sourcePath, CDecodedPicture& picture)
{
    std::unique_lock guard(lock);
    if (state == EState::Asked) {
        state = EState::Idle;
        askedPath.clear();
        return false;
    }
    changed.wait(guard, [this] { return state != EState::Decoding; });
    if (state != EState::Ready)
        return false;
    state = EState::Idle;
    CDecodedPicture result = std::exchange(held, CDecodedPicture{});
    if (const std::exception_ptr error = std::exchange(failure, nullptr)) {
        if (result.path == sourcePath)
            std::rethrow_exception(error);
        return false;
    }
    if (result.path != sourcePath)
        return false;
    picture = std::move(result);
    return true;
}

void CPicturePrefetch::Close()
{
    {
        std::lock_guard guard(lock);
        closing = true;
    }
    changed.notify_all();
    if (helper.joinable())
        helper.join();
    std::lock_guard guard(lock);
    state = EState::Idle;
    askedPath.clear();
    held = CDecodedPicture{};
    failure = nullptr;
}

void CPicturePrefetch::HelperBody()
{
    std::unique_lock guard(lock);
    for (;;) {
        changed.wait(guard, [this] { return closing || state == EState::Asked; });
        if (closing)
            return;
        if (!job.BeginHelperWork()) {
            // Paused or stopping: no new work starts. The worker may withdraw
            // the request meanwhile and decode the picture itself.
            changed.wait_for(guard, kRestInterval);
            continue;
        }
        state = EState::Decoding;
        std::string path = askedPath;
        guard.unlock();
        CDecodedPicture picture;
        std::exception_ptr error;
        try {
            picture = decode(path);
        } catch (...) {
            error = std::current_exception();
        }
        picture.path = std::move(path);  // also names a failure's picture
        job.EndHelperWork();
        guard.lock();
        held = std::move(picture);
        failure = error;
        state = EState::Ready;
        changed.notify_all();
    }
}
