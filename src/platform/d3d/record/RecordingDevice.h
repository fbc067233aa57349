// Recording devices for tests: the full device rules, no pixels.
#pragma once

#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/record/RecordLog.h"

// The capabilities a recording device reports unless told otherwise: those of
// a hardware device with transform and lighting (HAL) or without (REF).
D3DCAPS8 RecordingDeviceCaps(D3DDEVTYPE type);

// A recording device with one reference. `caps` may be null (HAL caps). The
// log lives as long as the device. Windowed zero sizes become 640 x 480.
HRESULT CreateRecordingDevice(const D3DPRESENT_PARAMETERS* parameters, const D3DCAPS8* caps, IDirect3DDevice8** device,
                              RecordLog** log);

// The same, with full creation details (FakeDirect3D uses it); the completed
// presentation parameters are written back.
HRESULT CreateRecordingDevice(const DeviceCore::Creation& creation, D3DPRESENT_PARAMETERS* parameters,
                              IDirect3DDevice8** device, RecordLog** log);
