// One generated media tree shared by the tests: the one the generator tool
// wrote at build time, read only; fresh folders for tests that write.
#pragma once

#include <string>

class GeneratedMedia {
public:
    // The run folder (with Model/, Texture/, Misc/, Sound/); empty when generation failed.
    static const std::string& RunFolder();
    static const std::string& TestDataFolder();
    static std::string Read(const std::string& szRelative);
    // A fresh, empty folder under the shared temporary root.
    static std::string FreshFolder(const std::string& szName);
};
