// Optional stage timing of the frame maker, for the benchmark only. Off (a
// null sink) unless a caller inside the engine's own build switches it on;
// it never changes what the stages compute.
#pragma once

#include <time.h>

namespace framira {

// Milliseconds of the process's processor time per stage (the calling thread
// and the engine's workers), accumulated over calls: steadier than wall time
// on a busy machine.
struct CFrameMakerStageTimes {
    double textures = 0;      // preparing the six textures, or waiting for those made ahead
    double analyze = 0;       // reading the picture into float planes
    double stretch = 0;       // Process: picture to the whole output and to the print size
    double coreColor = 0;     // on the calling thread; beside the mat (counted there) on more
    double mat = 0;           // mat texture synthesis
    double matting = 0;       // the bevel band
    double output = 0;        // print and mat to the host's samples
    int texturePreparations = 0;   // Init(1) calls that resampled the textures
    int inputPlaneAllocations = 0; // Analyze calls that (re)allocated the planes
};

void SetFrameMakerStageTimes(CFrameMakerStageTimes* sink);
CFrameMakerStageTimes* FrameMakerStageTimes();

// Adds the time since the last lap to one field of the sink, if there is one.
class CStageClock {
public:
    CStageClock() : sink(FrameMakerStageTimes()), last(sink != nullptr ? Now() : 0.0) {}
    void Count(int CFrameMakerStageTimes::*field)
    {
        if (sink != nullptr) {
            ++(sink->*field);
        }
    }
    void Lap(double CFrameMakerStageTimes::*field)
    {
        if (sink == nullptr) {
            return;
        }
        const double now = Now();
        sink->*field += now - last;
        last = now;
    }

private:
    static double Now()
    {
        timespec time{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
        return static_cast<double>(time.tv_sec) * 1000.0 + static_cast<double>(time.tv_nsec) / 1e6;
    }

    CFrameMakerStageTimes* sink;
    double last;
};

} // namespace framira
