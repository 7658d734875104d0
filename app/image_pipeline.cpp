// The per-image pipeline of a job: one source file becomes one framed JPEG.
#include "batch_worker.h"

#include "jpeg_writer.h"
#include "output_path.h"
#include "output_plan.h"
#include "output_size_limits.h"
#include "picture_conversion.h"
#include "platform_services.h"
#include "preset_sizes.h"
#include "read_problem.h"
#include "source_colour.h"
#include "source_metadata.h"
#include "source_reading.h"

#include "jpeg_output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// A call made on a thread of its own (in place when no thread can be had),
// waited for when the object goes.
class CCallBeside {
public:
    explicit CCallBeside(const std::function<void()>& call)
    {
        try {
            thread = std::thread(call);
        } catch (...) {
            call();
        }
    }
    CCallBeside(const CCallBeside&) = delete;
    CCallBeside& operator=(const CCallBeside&) = delete;
    ~CCallBeside()
    {
        if (thread.joinable())
            thread.join();
    }

private:
    std::thread thread;
};

std::string Format(const char* pattern, const std::string& text)
{
    const int size = std::snprintf(nullptr, 0, pattern, text.c_str());
    std::string out(size > 0 ? std::size_t(size) : 0, '\0');
    if (size > 0)
        std::snprintf(out.data(), out.size() + 1, pattern, text.c_str());
    return out;
}

std::string Format(const char* pattern, int value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pattern, value);
    return buffer;
}

// Why a source gave no picture, in words its owner can act on. `readCode`
// is the image library's result for the file.
// The report of a picture that could not be read: the reader's reason, or
// the system's when the file cannot even be opened.
CPictureReport UnreadableReport(const std::string& path, const std::string& readerReason)
{
    CPictureReport report{path, EPictureOutcome::Unreadable, {}, readerReason};
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
        report.outcome = EPictureOutcome::Missing;
        report.reason = "no such file";
    } else if (IsPlainFile(path)) {
        if (const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); fd < 0)
            report.reason = std::error_code(errno, std::generic_category()).message();
        else
            ::close(fd);
    }
    return report;
}

} // namespace

void CBatchWorker::Post(int message, int param)
{
    if (notifyWindow)
        notifyWindow->PostNotification(CNotification{message, param, statusText});
}

void CBatchWorker::GetOutputSize(int& width, int& height) const
{
    // The screen size read once when the job was filled serves both the
    // engine and the output image, so the two always agree. A row that is
    // no choice gets no size (its pictures fail) rather than one the engine
    // might frame differently.
    CScreenSize size;
    if (presetIndex == kCustomSizePreset || IsChoosablePreset(presetIndex))
        size = PresetOutputSize(presetIndex, CScreenSize{customWidth, customHeight});
    width = size.width;
    height = size.height;
}

CDecodedPicture DecodePicture(const std::string& sourcePath)
{
    CDecodedPicture picture;
    picture.path = sourcePath;
    std::error_code error;
    std::string reason = std::filesystem::exists(sourcePath, error) ? "not a regular file" : "no such file";
    if (IsPlainFile(sourcePath)) {
        CSourcePicture source = ReadSource(sourcePath);
        reason = source.reason;
        // Every readable picture is made upright sRGB, then brought to 3 planes
        // of 8 or 16 bits here, so the export always matches the three samples
        // per pixel the engine reads. What the reader recovered from damage
        // stays told.
        if (source.HasPixels()) {
            auto image = std::make_unique<CImage>(std::move(source.image));
            std::string damage = std::move(image->damage);
            const EPlaneModel model = DetectPlaneModel(source, *image);
            const int converted =
                MakePictureRight(*image, source, model) ? ConvertForEngine(*image, model) : kImageOutOfMemory;
            image->damage = std::move(damage);
            if (converted == kImageSuccess) {
                // Only what the output takes travels on with the picture.
                source.iccProfile = {};
                source.exifBlock = {};
                source.xmpPacket = {};
                picture.image = std::move(image);
                picture.source = std::move(source);
                return picture;
            }
            reason = converted == kImageOutOfMemory ? "not enough memory" : "unsupported variant (channel layout)";
        }
    }
    picture.failure = UnreadableReport(sourcePath, reason);
    return picture;
}

CDecodedPicture DecodePicture(const std::string& sourcePath, CSampleBufferPool& pool)
{
    if (IsPlainFile(sourcePath)) {
        CSampleBuffer samples;
        CSourcePicture source;
        const auto take = [&](std::size_t bytes) {
            samples = pool.Take(bytes);
            return samples.Bytes();
        };
        if (ReadSourceInterleaved(sourcePath, take, source)) {
            CDecodedPicture picture;
            picture.path = sourcePath;
            picture.image = std::make_unique<CImage>(std::move(source.image));
            // Only what the output takes travels on with the picture.
            source.iccProfile = {};
            source.exifBlock = {};
            source.xmpPacket = {};
            picture.source = std::move(source);
            picture.samples = std::move(samples);
            return picture;
        }
        if (!samples.Empty())
            pool.Give(std::move(samples));
    }
    return DecodePicture(sourcePath);
}

bool CBatchWorker::LoadPicture(const std::string& sourcePath)
{
    // The last picture goes before the next one is read.
    inputImage.reset();
    return AcceptPicture(DecodePicture(sourcePath));
}

bool CBatchWorker::AcceptPicture(CDecodedPicture picture)
{
    inputImage.reset();
    inputSource = CSourcePicture{};
    engineInputIsCurrent = false;
    if (!decodedSamples.Empty())
        inputPool.Give(std::move(decodedSamples));
    if (picture.image) {
        inputImage = std::move(picture.image);
        inputSource = std::move(picture.source);
        if (inputImage->planes == 0)
            decodedSamples = std::move(picture.samples);
        return true;
    }
    AddReport(picture.failure);
    // The reason follows the name, so the user knows whether to repair,
    // convert or shrink the file.
    statusText = Format("Problems reading %s", picture.path) + ": " + picture.failure.reason + "... skipping.";
    ++picturesFailed;
    Post(UWM_STATUS, 0);
    return false;
}

EJobResult CBatchWorker::OpenEngine()
{
    if (engineReady) {
        engine.end();
        engineReady = false;
    }
    // Room for 16-bit samples, so a further picture of the same size never
    // needs the buffer made again.
    const std::size_t inputBytes = std::size_t{3} * std::size_t(inputImage->cols) * std::size_t(inputImage->rows) * 2;
    // Room for the largest size of the job, so that framing the picture at
    // a further size never needs the buffers made again.
    std::size_t outputBytes = 0;
    const std::size_t selected = currentTarget;
    for (std::size_t target = 0; target < TargetCount(); ++target) {
        SelectTarget(target);
        int outputWidth = 0, outputHeight = 0;
        GetOutputSize(outputWidth, outputHeight);
        outputBytes = std::max(outputBytes,
                               std::size_t(std::max(outputWidth, 0)) * std::size_t(std::max(outputHeight, 0)) * 3);
    }
    SelectTarget(selected);
    const std::size_t outputSize = std::max({inputBytes, kMinimumEngineOutputBytes, outputBytes});

    // A picture already in the engine's form brings its own input buffer.
    // The buffers grow where they lie, keeping the pages earlier pictures
    // touched.
    const bool allocated = inputBytes <= engineMemoryLimit && outputSize <= engineMemoryLimit &&
                           (engineInputIsCurrent || inputStream || engineInput.Grow(inputBytes)) &&
                           engineOutput.Grow(outputSize);
    if (!allocated) {
        // Too large a picture is that picture's problem: it is skipped and
        // the job goes on with the next one.
        engineInput.Free();
        engineOutput.Free();
        engineInputIsCurrent = false;
        engineInputDecoded = false;
        statusText = "Memory Allocation failed!";
        Post(UWM_STATUS, 0);
        return EJobResult::WritingFailed;
    }
    if (const std::int32_t r = engine.init(inputImage->cols, inputImage->rows, 12); r < 0) {
        statusText = Format("Specklo_Init error %d", r);
    } else if (const std::int32_t a = engine.allocate(); a != 0) {
        statusText = Format("Specklo_Allocate error %d", a);
    } else {
        engineReady = true;
        return EJobResult::PictureWritten;
    }
    Post(UWM_STATUS, 0);
    return EJobResult::EngineCannotOpen;
}

EJobResult CBatchWorker::ReportWriteFailure(const std::string& sourcePath, const std::string& outputPath,
                                            const std::string& reason)
{
    AddReport(CPictureReport{sourcePath, EPictureOutcome::Failed, outputPath, reason});
    statusText = Format("Problems writing image %s", outputPath);
    lastOutputPath.clear();
    ++picturesFailed;
    Post(UWM_PICTURE, int(progress));
    return EJobResult::WritingFailed;
}

void CBatchWorker::PictureDone()
{
    inputImage.reset();
    inputStream.reset();
    if (engineInputDecoded) {
        inputPool.Give(std::move(engineInput));
        engineInputIsCurrent = false;
        engineInputDecoded = false;
    }
}

void CBatchWorker::CloseEngine()
{
    inputImage.reset();
    inputStream.reset();
    inputSource = CSourcePicture{};
    engineInputIsCurrent = false;
    engineInput.Free();
    engineInputDecoded = false;
    decodedSamples.Free();
    inputPool.Clear();
    if (engineReady) {
        engine.end();
        engineReady = false;
    }
}

EJobResult CBatchWorker::RunAndSave(int width, int height, const std::string& sourcePath)
{
    if (!inputImage || (inputImage->planes != 3 && !engineInputIsCurrent && decodedSamples.Empty() && !inputStream))
        return EJobResult::WritingFailed;
    // The engine reads as many samples as the size it is told, so it is told
    // the size of the raster actually decoded (and turned upright), whatever
    // the header claimed.
    if (width != inputImage->cols || height != inputImage->rows) {
        width = inputImage->cols;
        height = inputImage->rows;
    }
    const bool words = inputImage->sampleType == kSampleWord;
    const std::size_t sampleCount = inputImage->PixelCount() * 3;
    const std::size_t neededInput = sampleCount * (words ? 2 : 1);
    int outputWidth = 0, outputHeight = 0;
    GetOutputSize(outputWidth, outputHeight);
    const std::size_t neededOutput = std::size_t(std::max(outputWidth, 0)) * std::size_t(std::max(outputHeight, 0)) * 3;

    // Where it goes (the subfolder is made before anything is framed).
    // Made again if it went in the meantime: another process of a sharded
    // job may have removed a folder it made and found empty.
    if (MakesItsOutputFolders()) {
        const std::vector<std::string> made =
            CreateFoldersAlong(BuildOutputFolder(saveType, outputFolder, sourcePath), platform);
        madeFolders.insert(madeFolders.end(), made.begin(), made.end());
    }
    const std::string outputPath = PlannedOutput(sourcePath).output;
    // An output of mat and band alone is not this picture framed.
    if (!PrintShowsOnOutput(outputWidth, outputHeight, width, height))
        return ReportWriteFailure(sourcePath, outputPath,
                                  "the picture would not show at " + std::to_string(outputWidth) + "x" +
                                      std::to_string(outputHeight) + " (its print would have no pixels)");

    // A picture decoded in the engine's form becomes its input as it is; the
    // block it replaces serves the next picture decoded.
    if (!engineInputIsCurrent && !decodedSamples.Empty()) {
        std::swap(engineInput, decodedSamples);
        if (!decodedSamples.Empty())
            inputPool.Give(std::move(decodedSamples));
        engineInputIsCurrent = true;
        engineInputDecoded = true;
    }
    // Open the engine for a new pixel count, and whenever a buffer is too
    // small for this picture.
    if (engineInput.Empty() || std::int64_t(lastWidth) * lastHeight != std::int64_t(width) * height ||
        engineInput.Size() < neededInput || engineOutput.Size() < neededOutput) {
        lastWidth = width;
        lastHeight = height;
        const EJobResult opened = OpenEngine();
        if (opened == EJobResult::EngineCannotOpen)
            return EJobResult::EngineCannotOpen;
        if (opened != EJobResult::PictureWritten) {
            lastWidth = lastHeight = -1;
            return ReportWriteFailure(sourcePath, outputPath, "not enough memory for this picture");
        }
    }
    Checkpoint();

    // Export and frame.
    int bits = 8;
    int exported = kImageSuccess;
    if (!engineInputIsCurrent && !inputStream) {
        engineInputDecoded = false;
        if (words) {
            bits = 16;
            exported = inputImage->ToInterleaved16(engineInput.Words(), sampleCount);
        } else {
            exported = inputImage->ToInterleaved8(engineInput.Bytes(), sampleCount);
        }
        // The engine reads the interleaved copy; the decoded planes would only
        // double the picture in memory while it frames (and while the next
        // picture is decoded ahead). Their size, coding and damage stay.
        inputImage->FreePlanes();
        // Framed at a further size, the picture is taken from the same copy,
        // which the engine has narrowed to 8-bit samples in place.
        engineInputIsCurrent = exported == kImageSuccess;
    }
    const bool canRun = exported == kImageSuccess && outputWidth > 0 && outputHeight > 0;
    bool framed = false;
    if (canRun && inputStream) {
        framed = engine.runRows(CPictureStream::Read, inputStream.get(), engineOutput.Bytes(), width, height,
                                presetIndex, customWidth, customHeight) == 0;
        const bool readFailed = !framed && inputStream->Failed();
        // Its decoder is done by now; its pieces are not kept.
        inputStream.reset();
        if (readFailed) {
            // Damaged after all (or not decodable): read the usual way, which
            // recovers what it can and says why.
            if (!AcceptPicture(decode(sourcePath)))
                return EJobResult::WritingFailed;
            return RunAndSave(inputImage->cols, inputImage->rows, sourcePath);
        }
    } else if (canRun) {
        const std::string pathCopy = sourcePath;
        // A run that failed has left the output buffer unwritten (or half
        // written); that is never saved as if it were the framed picture.
        framed = engine.run(engineInput.Bytes(), engineOutput.Bytes(), strength, bits, width, height, 1.0f,
                            pathCopy.c_str(), presetIndex, customWidth, customHeight) == 0;
    }
    // Kept, the engine's freed planes would stay in memory while the output
    // is encoded, for a run that never comes. Giving back a large output's
    // planes takes the system a while, so it happens beside the encoding, as
    // the job's helper work (a paused job rests); nothing calls the engine
    // before this function returns.
    std::optional<CCallBeside> release;
    if (canRun && lastRunOfJob) {
        if (BeginHelperWork()) {
            release.emplace([this] {
                engine.releaseMemory();
                EndHelperWork();
            });
        } else {
            engine.releaseMemory();
        }
    }
    Checkpoint();

    // Encoded from the engine's output as it lies: the framed picture is
    // never copied into planes on its way to the file.
    const CInterleavedPicture framedPicture{engineOutput.Bytes(), outputWidth, outputHeight, 3, 0};
    int result = kImageBadArgument;
    if (framed) {
        // The source's metadata, fitted to the framed picture. A JPEG source
        // with metadata lends its coding too; everything else is written
        // plainly, keeping the source's chroma subsampling.
        // Taken from the record read with the picture; a caller that framed
        // a picture of its own has the file read for it once more.
        const CSourcePicture& source =
            inputSource.path == sourcePath ? inputSource : (inputSource = ReadSourceFactsFile(sourcePath));
        COutputMetadata metadata = GatherOutputMetadata(source, framedPicture);
        const bool followSource = metadata.fromJpeg && !metadata.segments.empty();
        // The mark that makes this file known as this source's output, to
        // later runs (stable names, --skip-existing) and to folder walks.
        metadata.segments.push_back(MakeSourceMark(outputPath, sourcePath));
        if (followSource) {
            result = source.hasJpegCoding ? WriteJpegFileWithCoding(framedPicture, outputPath, source.jpegCoding,
                                                                    sourcePath, kOutputQuality, nullptr, nullptr,
                                                                    nullptr, &metadata.segments)
                                          : kImageBadArgument;
        } else {
            result = WriteJpegFile(framedPicture, outputPath, kOutputQuality, inputImage->subsampling,
                                   &metadata.segments);
        }
    }

    // Report.
    if (result != kImageSuccess) {
        const int error = LastJpegOutputError();
        std::string reason = !framed ? "the frame engine failed"
                             : error != 0 ? std::error_code(error, std::generic_category()).message()
                                          : "the JPEG encoder failed";
        if (framed && (error == ENOSPC || error == EDQUOT)) {
            diskFull = true;
            diskFullMessage = reason + " while writing " + outputPath;
        }
        return ReportWriteFailure(sourcePath, outputPath, reason);
    }
    // Framed from what could be recovered: written, but its owner must
    // learn that the source is damaged.
    std::error_code sizeError;
    const auto written = std::filesystem::file_size(outputPath, sizeError);
    AddReport(CPictureReport{sourcePath,
                             inputImage->damage.empty() ? EPictureOutcome::Written : EPictureOutcome::Damaged,
                             outputPath, inputImage->damage, sizeError ? -1 : std::int64_t(written)});
    statusText = outputPath;
    lastOutputPath = outputPath;
    ++picturesWritten;
    if (previewReady) {
        // Planes for the front end's view alone, made once the file is written.
        CImage framedPlanes(outputWidth, outputHeight, 3, kSampleByte);
        if (framedPlanes.planes == 3 &&
            framedPlanes.FromInterleaved8(engineOutput.Bytes(), neededOutput) == kImageSuccess)
            previewReady(framedPlanes, true);
    }
    Post(UWM_PICTURE, int(progress));
    return EJobResult::PictureWritten;
}
