#include "frame_preview.h"

#include "batch_worker.h"
#include "output_size_limits.h"
#include "preset_sizes.h"
#include "preview_layout.h"
#include "sample_buffer.h"

#include <algorithm>

CFramedPreview FramePreview(const CFramePreviewRequest& request, const CEngineCalls& engine,
                            const std::function<bool()>& abandoned)
{
    auto given_up = [&] { return abandoned && abandoned(); };
    CFramedPreview result;
    CDecodedPicture decoded = DecodePicture(request.path);
    if (!decoded.image) {
        result.reason = decoded.failure.reason.empty() ? "cannot be read" : decoded.failure.reason;
        return result;
    }
    if (given_up())
        return result;
    const CImage& input = *decoded.image;
    const CScreenSize size = PresetOutputSize(request.presetIndex, {request.customWidth, request.customHeight});
    if (size.width < 1 || size.height < 1 || !PrintShowsOnOutput(size.width, size.height, input.cols, input.rows)) {
        result.reason = "the picture would not show at this size";
        return result;
    }

    // The buffers as a job sizes them: the engine may use all of its output.
    const bool words = input.sampleType == kSampleWord;
    const std::size_t samples = input.PixelCount() * 3;
    const std::size_t outputSamples = std::size_t(size.width) * std::size_t(size.height) * 3;
    CSampleBuffer engineInput;
    CSampleBuffer engineOutput;
    if (!engineInput.Allocate(samples * 2) ||
        !engineOutput.Allocate(std::max({samples * 2, kMinimumEngineOutputBytes, outputSamples}))) {
        result.reason = "not enough memory for this picture";
        return result;
    }
    const int exported = words ? input.ToInterleaved16(engineInput.Words(), samples)
                               : input.ToInterleaved8(engineInput.Bytes(), samples);
    if (exported != kImageSuccess) {
        result.reason = "the picture cannot be handed to the engine";
        return result;
    }
    bool framed = false;
    if (engine.init(input.cols, input.rows, 12) >= 0) {
        if (engine.allocate() == 0) {
            framed = engine.run(engineInput.Bytes(), engineOutput.Bytes(), request.strength, words ? 16 : 8,
                                input.cols, input.rows, 1.0f, request.path.c_str(), request.presetIndex,
                                request.customWidth, request.customHeight) == 0;
            engine.end();
        }
    }
    // One look is one picture: nothing is kept for a next one.
    engine.releaseMemory();
    CImage output(size.width, size.height, 3, kSampleByte);
    if (!framed || output.planes != 3 || output.FromInterleaved8(engineOutput.Bytes(), outputSamples) != kImageSuccess) {
        result.reason = "the engine could not frame the picture";
        return result;
    }
    if (given_up())
        return result;
    const float scale = PreviewScale(request.boxWidth, request.boxHeight, output.cols, output.rows, false, 1.0f);
    result.picture = output.Resize(scale, scale, kResizeBilinear);
    if (!result.picture || result.picture->planes != 3) {
        result.picture.reset();
        result.reason = "the framed picture cannot be scaled";
    }
    return result;
}

CFramePreviewer::CFramePreviewer(CDone done) : done(std::move(done)), thread([this] { Run(); }) {}

CFramePreviewer::~CFramePreviewer()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        quit = true;
        ++latest;
    }
    wake.notify_all();
    thread.join();
}

std::uint64_t CFramePreviewer::Request(CFramePreviewRequest request)
{
    std::uint64_t ticket = 0;
    {
        std::lock_guard<std::mutex> guard(lock);
        ticket = ++latest;
        waiting = std::move(request);
    }
    wake.notify_all();
    return ticket;
}

void CFramePreviewer::CancelAndWait()
{
    std::unique_lock<std::mutex> guard(lock);
    ++latest;
    waiting.reset();
    wake.wait(guard, [this] { return !busy; });
}

bool CFramePreviewer::Superseded(std::uint64_t ticket)
{
    std::lock_guard<std::mutex> guard(lock);
    return ticket != latest;
}

void CFramePreviewer::Run()
{
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
        wake.wait(guard, [this] { return quit || waiting; });
        if (quit)
            return;
        CFramePreviewRequest request = std::move(*waiting);
        waiting.reset();
        const std::uint64_t ticket = latest;
        busy = true;
        guard.unlock();
        CFramedPreview preview = FramePreview(request, engine, [this, ticket] { return Superseded(ticket); });
        if (!Superseded(ticket))
            done(ticket, std::move(preview));
        guard.lock();
        busy = false;
        wake.notify_all();
    }
}
