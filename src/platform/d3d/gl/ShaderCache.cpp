#include "platform/d3d/gl/ShaderCache.h"

#include <vector>

#include "platform/d3d/gl/ShaderGenerator.h"
#include "platform/kernel/Kernel.h"

namespace {

GLuint Compile(GLenum type, const std::string& source) {
    GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        GLint length = 0;
        glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
        std::vector<char> log(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
        glGetShaderInfoLog(shader, length, nullptr, log.data());
        OutputDebugStringA("ShaderCache: shader does not compile:\n");
        OutputDebugStringA(log.data());
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

}  // namespace

ShaderCache::~ShaderCache() {
    // Programs die with their context; the owner clears while it is current.
}

GLuint ShaderCache::Program(const ShaderKey& key) {
    if (m_uLastProgram != 0 && key == m_lastKey) {
        return m_uLastProgram;
    }
    auto found = m_programs.find(key);
    GLuint program = 0;
    if (found != m_programs.end()) {
        program = found->second;
    } else {
        program = Build(key);
        if (program == 0) {
            return 0;
        }
        m_programs.emplace(key, program);
    }
    m_lastKey = key;
    m_uLastProgram = program;
    return program;
}

void ShaderCache::Clear() {
    for (auto& entry : m_programs) {
        glDeleteProgram(entry.second);
    }
    m_programs.clear();
    m_uLastProgram = 0;
}

GLuint ShaderCache::Build(const ShaderKey& key) {
    GLuint vertex = Compile(GL_VERTEX_SHADER, ShaderGenerator::VertexSource(key));
    GLuint fragment = Compile(GL_FRAGMENT_SHADER, ShaderGenerator::FragmentSource(key));
    if (vertex == 0 || fragment == 0) {
        glDeleteShader(vertex);
        glDeleteShader(fragment);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[1024] = {};
        glGetProgramInfoLog(program, sizeof(log), nullptr, log);
        OutputDebugStringA("ShaderCache: program does not link:\n");
        OutputDebugStringA(log);
        glDeleteProgram(program);
        return 0;
    }
    const struct {
        const char* name;
        GLuint binding;
    } blocks[] = {{"Frame", ShaderGenerator::kFrameBlock},
                  {"World", ShaderGenerator::kWorldBlock},
                  {"WorldNormal", ShaderGenerator::kWorldNormalBlock},
                  {"Pixel", ShaderGenerator::kPixelBlock}};
    for (const auto& block : blocks) {
        const GLuint index = glGetUniformBlockIndex(program, block.name);
        if (index != GL_INVALID_INDEX) {
            glUniformBlockBinding(program, index, block.binding);
        }
    }
    // Sampler units are fixed per program: set once, with the program bound.
    GLint previous = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &previous);
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "u_texture0"), 0);
    glUniform1i(glGetUniformLocation(program, "u_texture1"), 1);
    glUseProgram(static_cast<GLuint>(previous));
    return program;
}
