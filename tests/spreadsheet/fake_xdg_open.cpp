// The desktop's opener of the tests: notes the file it is given in <folder>/opened.log and ends
// with the status written in <folder>/status (0 without one).
//   fake_xdg_open <folder> <file>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::string folder = argv[1];
    {
        std::ofstream log(folder + "/opened.log", std::ios::app);
        log << argv[2] << "\n";
        if (!log.flush()) return 2;
    }
    int status = 0;
    std::ifstream(folder + "/status") >> status;
    return status;
}
