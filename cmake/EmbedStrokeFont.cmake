# Build-time script: writes a C++ source holding the stroke font's text (a .jhf file) as a byte
# array, for the writer to read at run time. Called with -DOUT=<file> -DFONT=<path>.
file(READ "${FONT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(([^,]*,){32})" "\\1\n" bytes "${bytes}")
set(body "// Generated at build time: the stroke font the writer traces words with.\n#include \"session/StrokeFont.hpp\"\n\n")
string(APPEND body "namespace {\nconst char kText[${size}] = {\n${bytes}\n};\n} // namespace\n\n")
string(APPEND body "std::string_view StrokeFont::embeddedText()\n{\n    return std::string_view(kText, sizeof kText);\n}\n")
file(WRITE "${OUT}.tmp" "${body}")
file(RENAME "${OUT}.tmp" "${OUT}")
