// Turns window-system events into the window messages the program handles.
#pragma once

union SDL_Event;

class EventTranslator {
public:
    // Queues the messages for one event (some, like WM_GETMINMAXINFO, are
    // sent at once, as the platform sends them during message retrieval).
    static void Translate(const SDL_Event& event);
};
