// One linked GLSL program per shader key, compiled on first use and kept for
// the life of the context.
#pragma once

#include <epoxy/gl.h>

#include <string>
#include <unordered_map>

#include "platform/d3d/gl/ShaderKey.h"

class ShaderCache {
public:
    ShaderCache() = default;
    ~ShaderCache();
    ShaderCache(const ShaderCache&) = delete;
    ShaderCache& operator=(const ShaderCache&) = delete;

    // The program for key, 0 when it does not compile (the reason is traced).
    GLuint Program(const ShaderKey& key);
    std::size_t Size() const { return m_programs.size(); }
    // Deletes every program; the context must be current.
    void Clear();

private:
    static GLuint Build(const ShaderKey& key);

    std::unordered_map<ShaderKey, GLuint, ShaderKeyHash> m_programs;
    ShaderKey m_lastKey;
    GLuint m_uLastProgram = 0;
};
