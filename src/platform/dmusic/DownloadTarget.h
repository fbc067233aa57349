// What a segment downloads to: it only needs to know whether the target's audio
// is up, so it need not know the performance's class.
#pragma once

class DownloadTarget {
public:
    virtual bool IsInitialised() const = 0;

protected:
    ~DownloadTarget() = default;
};
