// The two ways the camera moves each frame: riding with the bird on a circle
// the path file describes, or steered by the arrow and page keys; and the
// pose the manual camera starts from.
#pragma once

#include "app/KeyState.h"
#include "bird/BirdFlight.h"
#include "platform/d3d/D3D8.h"
#include "scene/Camera.h"
#include "scene/FergusonPath.h"

// Places the camera round the bird, blending the path's smooth frame with the
// bird's bobbing one by distance, and sets the view.
HRESULT FollowStep(IDirect3DDevice8* pDevice, Camera* pCamera, const FergusonPath* pPath, const BirdFlight* pBird);
// Turns 1 radian and moves 50 units per second of g_frameStep for each key
// held, in the camera's own space, and sets the view.
HRESULT KeyboardStep(IDirect3DDevice8* pDevice, Camera* pCamera, const KeyState& keys);
// The manual camera's starting pose.
HRESULT ResetCamera(Camera* pCamera);
