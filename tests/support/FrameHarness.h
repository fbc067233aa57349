// A frame built over a table-described drawing object and recording devices,
// with a hand-driven clock, so tests can run Create, frames and messages.
#pragma once

#include <string>
#include <vector>

#include "framework/AppFrame.h"
#include "support/RecordingBackend.h"
#include "support/TableDirect3D.h"

// Sets the clock every frame-timer call reads, in seconds.
void SetTestClock(double seconds);
double TestClock();

// Installs the table, the recording devices and the test clock for one test.
class FrameEnvironment {
public:
    FrameEnvironment();
    ~FrameEnvironment();
    FrameEnvironment(const FrameEnvironment&) = delete;
    FrameEnvironment& operator=(const FrameEnvironment&) = delete;

    TableDirect3D m_d3d;
    BackendLog m_log;
};

// A table with one adapter whose hardware and reference devices both render
// windowed in the desktop format and full screen in 640 x 480 x 16.
TableAdapter StandardAdapter();

// Drains the calling thread's message queue (a previous test may have left a quit).
void DrainMessages();

// A windowed recording device of the given back-buffer size with the
// capabilities given (null: a capable hardware device).
IDirect3DDevice8* CreateBareTestDevice(BackendLog* log, UINT width, UINT height, const D3DCAPS8* caps = nullptr);
