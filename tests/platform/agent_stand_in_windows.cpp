// Stands in for "NimbralClient.exe" beside the test program when the service launches its agent:
// notes its arguments and working directory in "agent-started.txt" there, then ends.
#include <cstdio>

#include <windows.h>

int main(int argc, char**) {
    wchar_t directory[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, directory);
    std::FILE* file = ::_wfopen(L"agent-started.txt", L"wb");
    if (file == nullptr) {
        return 1;
    }
    std::fprintf(file, "arguments %d\ndirectory %ls\n", argc - 1, directory);
    std::fclose(file);
    return 0;
}
