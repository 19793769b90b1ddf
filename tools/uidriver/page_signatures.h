#pragma once
// Which dialog template a shown page was made from, told by controls only that template has.

#include <vector>

namespace uidriver {

struct PageSignature {
    int template_id;
    std::vector<int> required;
    std::vector<int> absent;
};

inline const std::vector<PageSignature>& PageSignatures() {
    static const std::vector<PageSignature> signatures = {
        {103, {1203, 1209}, {}},  {121, {1212, 1044}, {}}, {161, {1157, 1046}, {}},
        {122, {1072}, {1035, 1}}, {109, {1035, 1036}, {}}, {124, {1049, 1027}, {}},
        {130, {1076, 1129}, {}},  {169, {1204, 1207}, {}}, {105, {1040, 1144}, {}},
        {152, {1122, 1123}, {}},  {167, {1193, 1181}, {}}, {133, {1088}, {1020}},
        {132, {1020, 1087}, {}},  {102, {1020, 1043}, {}}, {138, {1091, 1135}, {}},
        {139, {1093}, {}},        {140, {1095}, {}},       {141, {1097}, {}},
        {144, {1106}, {}},        {145, {1108}, {}},       {147, {1113}, {}},
        {151, {1116}, {}},        {165, {1172}, {}},       {268, {1224}, {}},
        {269, {1208, 1175}, {}},  {123, {1055}, {}},       {114, {1039, 1147}, {}},
    };
    return signatures;
}

}  // namespace uidriver
