// Invariant: whatever the page, the content list fits its tables, every group
// points at entries that exist, and a document file is "/" + one plain path
// component, the last piece of its entry's path.
#include <cstdlib>

#include "content/content_list.h"
#include "core/cp932.h"
#include "store/data_folder.h"

namespace {

void Check(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qvestra::content::ContentList list =
        qvestra::content::ParseContentList(qvestra::core::DecodeCp932(bytes));
    const int entries = static_cast<int>(list.entries.size());
    Check(entries <= qvestra::content::ContentList::kMaxEntries);
    Check(list.groups.size() <=
          static_cast<std::size_t>(qvestra::content::ContentList::kMaxGroups));
    for (const auto& group : list.groups) {
        Check(group.entry >= 0 && group.entry < entries);
        Check(group.items.size() <=
              static_cast<std::size_t>(qvestra::content::ContentList::kMaxItemsPerGroup));
        for (int item : group.items) Check(item >= 0 && item < entries);
    }
    for (const auto& entry : list.entries) {
        if (!entry.documentFile) continue;
        const QString& file = *entry.documentFile;
        Check(file.startsWith(u'/') && entry.path.endsWith(file));
        Check(qvestra::store::IsPlainComponent(file.mid(1).toStdString()));
    }
    return 0;
}
