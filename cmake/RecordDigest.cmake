# Writes a C++ source defining `const char* NAME()` that returns the SHA-256 of INPUT.
# Called at build time: cmake -DINPUT=... -DOUTPUT=... -DNAME=... -P RecordDigest.cmake
file(SHA256 "${INPUT}" digest)
file(WRITE "${OUTPUT}.tmp"
    "const char* ${NAME}();\nconst char* ${NAME}() { return \"${digest}\"; }\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
