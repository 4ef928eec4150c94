#include "scratch_dir.h"

#include <unistd.h>

#include <stdexcept>
#include <string>

namespace ado_test {

ScratchDir::ScratchDir() : m_previous(std::filesystem::current_path()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "orva-ado-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a scratch folder");
    m_path = pattern;
    std::filesystem::current_path(m_path);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::current_path(m_previous, ec);
    std::filesystem::remove_all(m_path, ec);
}

}  // namespace ado_test
