// Program entry: one clock application object for the life of the process.
#include "app/ClockApp.h"

int main() {
    ClockApp app;
    if (FAILED(app.Create(GetModuleHandleA(nullptr)))) {
        return 0;
    }
    return app.Run();
}
