// Moves window-system events into the message queue.
#pragma once

class MessagePump {
public:
    // Takes every pending SDL event: the overlay of its window sees it first,
    // then it becomes messages. Also makes a WM_PAINT due, at about 60 Hz,
    // for a window whose menu is open (the program pauses meanwhile and
    // redraws only on WM_PAINT, and the open menu must keep responding).
    static void Pump();
    // Waits up to `milliseconds` for an SDL event and takes it.
    static void Wait(int milliseconds);
};
