// The clock beats are counted on: seconds, steady, or a test's.
#pragma once

class MusicClock {
public:
    static double Now();
};
