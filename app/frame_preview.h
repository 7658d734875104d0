#pragma once
// A picture framed into memory for a look before any job runs: read as a
// job reads it, framed by the engine at the chosen size without writing a
// file, and scaled to the preview box as a job's framed previews are.
//
// The engine keeps global state: one thread at a time may frame. The
// previewer frames on its own thread, so whoever owns it must keep it idle
// while a job frames (WaitIdle before a job starts, no requests during one).

#include "engine_calls.h"
#include "image.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct CFramePreviewRequest {
    std::string path;
    int presetIndex = 12;
    int customWidth = 0;
    int customHeight = 0;
    float strength = 0.0f;
    int boxWidth = 0;  // the preview box the framed picture is scaled to fit
    int boxHeight = 0;
};

struct CFramedPreview {
    std::unique_ptr<CImage> picture;  // 3 planes of 8 bits; null with a reason
    std::string reason;
};

// Frames one picture. `abandoned` is asked between the steps (read, frame,
// scale): true gives up with no picture.
CFramedPreview FramePreview(const CFramePreviewRequest& request, const CEngineCalls& engine = CEngineCalls(),
                            const std::function<bool()>& abandoned = {});

// Frames the latest request on a thread of its own; a request waiting when a
// newer one comes is dropped, and one in hand is abandoned at its next step.
class CFramePreviewer {
public:
    // Called on the previewer's thread with each finished request's ticket.
    using CDone = std::function<void(std::uint64_t ticket, CFramedPreview preview)>;
    explicit CFramePreviewer(CDone done);
    ~CFramePreviewer();
    CFramePreviewer(const CFramePreviewer&) = delete;
    CFramePreviewer& operator=(const CFramePreviewer&) = delete;

    // Returns the request's ticket; every earlier request is given up.
    std::uint64_t Request(CFramePreviewRequest request);
    // Gives up every request and returns once the engine is free again.
    void CancelAndWait();
    // For tests: how the picture is framed.
    CEngineCalls engine;

private:
    void Run();
    bool Superseded(std::uint64_t ticket);

    CDone done;
    std::mutex lock;
    std::condition_variable wake;
    std::optional<CFramePreviewRequest> waiting;
    std::uint64_t latest = 0;
    bool busy = false;
    bool quit = false;
    std::thread thread;  // last: started once everything it uses exists
};
