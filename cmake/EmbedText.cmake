# Writes a text file into a header as one raw string literal, so the program
# carries it instead of reading it at run time.
# cmake -DINPUT=file -DOUTPUT=header -DNAME=kVariable -P EmbedText.cmake
file(READ "${INPUT}" text)
file(WRITE "${OUTPUT}" "// Made from ${INPUT} at build time.\n#pragma once\n\ninline constexpr char ${NAME}[] = R\"text(${text})text\";\n")
