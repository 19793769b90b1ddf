#include "shell/message_catalogue.h"

namespace orvo {

void MessageCatalogue::Load(const StringLoader& loader) {
    texts_.clear();
    for (int id : kCatalogueIds) texts_[id] = loader(id);
}

const std::wstring& MessageCatalogue::Text(int id) const {
    static const std::wstring empty;
    auto found = texts_.find(id);
    return found == texts_.end() ? empty : found->second;
}

}  // namespace orvo
