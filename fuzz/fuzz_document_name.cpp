// Invariant: a name the data folder accepts is one plain path component: it
// names a file directly inside the folder, never the folder itself, a parent,
// or a place reached through a separator.
#include <cstdlib>
#include <string_view>

#include "store/data_folder.h"

namespace {

void Check(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    const qvestra::store::DataFolder folder("/home/member/qvestrafolder");
    const auto file = folder.FileFor(name);
    Check(file.has_value() == qvestra::store::IsPlainComponent(name));
    // A document name is a file name first.
    Check(!qvestra::store::IsDocumentName(name, "A-12") || file.has_value());
    if (!file) return 0;
    Check(!name.empty() && name != "." && name != "..");
    Check(name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos);
    Check(file->parent_path() == folder.Root());
    Check(file->filename() == std::filesystem::path(name));
    Check(file->lexically_normal() == *file);
    return 0;
}
