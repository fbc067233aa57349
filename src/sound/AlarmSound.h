// The alarm of the count-down timer: found in the Sound folder as
// "AlarmSound.wav" or "AlarmSound.mid", loaded at start-up, started when the
// timer rings and stopped when the ringing ends or the program exits.
#pragma once

#include "platform/kernel/WinTypes.h"
#include "platform/win/WinUser.h"
#include "sound/MusicManager.h"
#include "sound/MusicSegment.h"

// The alarm sound loader. Always makes the manager (*ppMusic, which the
// caller then owns); *ppAlarm is the loaded segment, or stays null on any
// failure, and then the program runs silently. Both must be null on entry.
// A WAV plays four times in a row, a MIDI file twice.
HRESULT LoadAlarmSound(HWND window, MusicManager** ppMusic, MusicSegment** ppAlarm);

// One frame of the alarm: when the timer's ringing flag differs from
// alarmSounding, start the alarm on the next beat (ringing) or stop it (not
// ringing), and let alarmSounding follow. Without a segment only the flag moves.
void FollowAlarmRinging(int ringing, int& alarmSounding, MusicSegment* pAlarm);

// Stops the alarm if it is sounding; nothing without a segment.
void StopAlarmIfPlaying(MusicSegment* pAlarm);
