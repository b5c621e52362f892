// kvtool-full: every kvtool command, with Qt and the sound device. kvtool
// runs it, with the same arguments, for the commands it does not have.
#include "KvTool.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const int code = kv::runKvTool(args, std::cin, std::cout, std::cerr);
    // Output that could not be written (a full disk, a closed pipe) is a failure.
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "kvtool: the output could not be written\n";
        return code == 0 ? 1 : code;
    }
    return code;
}
