#include "scratch_dir.h"

#include <stdexcept>

#include "temp_folder.h"

namespace ado_test {

ScratchDir::ScratchDir() : m_previous(std::filesystem::current_path()) {
    m_path = orva::testing::MakeTempFolder("orva-ado");
    if (m_path.empty()) throw std::runtime_error("cannot make a scratch folder");
    std::filesystem::current_path(m_path);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::current_path(m_previous, ec);
    std::filesystem::remove_all(m_path, ec);
}

}  // namespace ado_test
