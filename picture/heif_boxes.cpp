#include "picture/heif_boxes.h"

namespace picture::heif {

uint64_t Fields::Read(size_t count) {
    if (count > Left()) {
        at_ = bytes_.size();
        damaged_ = true;
        return 0;
    }
    uint64_t value = 0;
    for (size_t i = 0; i < count; ++i) value = value << 8 | bytes_[at_++];
    return value;
}

std::string Fields::Kind() {
    if (Left() < 4) {
        Read(4);
        return {};
    }
    std::string kind(reinterpret_cast<const char*>(bytes_.data() + at_), 4);
    at_ += 4;
    return kind;
}

// The boxes one after another in `bytes`; one cut short ends the list.
std::vector<Box> Boxes(std::span<const uint8_t> bytes) {
    std::vector<Box> boxes;
    while (bytes.size() >= 8) {
        Fields f(bytes);
        uint64_t size = f.Read(4);
        std::string kind = f.Kind();
        uint64_t header = 8;
        if (size == 1) size = f.Read(8), header = 16;
        if (size == 0) size = bytes.size();
        if (f.Damaged() || size < header || size > bytes.size()) break;
        boxes.push_back({std::move(kind), bytes.subspan(header, size - header)});
        bytes = bytes.subspan(size);
    }
    return boxes;
}

namespace {

const Box* Find(const std::vector<Box>& boxes, std::string_view kind) {
    for (const Box& b : boxes)
        if (b.kind == kind) return &b;
    return nullptr;
}

// A full box's payload after its version and flags.
struct FullBox {
    int version = 0;
    uint32_t flags = 0;
    Fields fields{{}};
};
FullBox Full(const Box& box) {
    FullBox full{0, 0, Fields(box.payload)};
    full.version = static_cast<int>(full.fields.Read(1));
    full.flags = static_cast<uint32_t>(full.fields.Read(3));
    return full;
}

void ReadItemKinds(const Box& iinf, Meta& meta) {
    FullBox full = Full(iinf);
    full.fields.Read(full.version == 0 ? 2 : 4);
    for (const Box& infe : Boxes(full.fields.Rest())) {
        if (infe.kind != "infe") continue;
        FullBox entry = Full(infe);
        if (entry.version < 2) continue;
        const auto item = static_cast<uint32_t>(entry.fields.Read(entry.version == 2 ? 2 : 4));
        entry.fields.Read(2);
        meta.kinds[item] = entry.fields.Kind();
    }
}

void ReadLocations(const Box& iloc, Meta& meta) {
    FullBox full = Full(iloc);
    Fields& f = full.fields;
    const auto sizes = f.Read(2);
    const size_t offsetSize = sizes >> 12, lengthSize = (sizes >> 8) & 15;
    const size_t baseSize = (sizes >> 4) & 15, indexSize = full.version >= 1 ? sizes & 15 : 0;
    const uint64_t count = f.Read(full.version < 2 ? 2 : 4);
    for (uint64_t i = 0; i < count && !f.Damaged(); ++i) {
        const auto item = static_cast<uint32_t>(f.Read(full.version < 2 ? 2 : 4));
        Location location;
        if (full.version >= 1) location.method = static_cast<int>(f.Read(2) & 15);
        f.Read(2);
        const uint64_t base = f.Read(baseSize);
        const uint64_t extents = f.Read(2);
        for (uint64_t e = 0; e < extents && !f.Damaged(); ++e) {
            f.Read(indexSize);
            const uint64_t offset = f.Read(offsetSize), length = f.Read(lengthSize);
            if (e == 0) location.offset = base + offset, location.length = length;
        }
        meta.locations[item] = location;
    }
}

void ReadAssociations(const Box& ipma, Meta& meta) {
    FullBox full = Full(ipma);
    Fields& f = full.fields;
    const uint64_t count = f.Read(4);
    for (uint64_t i = 0; i < count && !f.Damaged(); ++i) {
        const auto item = static_cast<uint32_t>(f.Read(full.version < 1 ? 2 : 4));
        const uint64_t associations = f.Read(1);
        std::vector<int>& indices = meta.associated[item];
        for (uint64_t a = 0; a < associations; ++a)
            indices.push_back(
                static_cast<int>(full.flags & 1 ? f.Read(2) & 0x7FFF : f.Read(1) & 0x7F));
    }
}

void ReadReferences(const Box& iref, Meta& meta) {
    FullBox full = Full(iref);
    const size_t idSize = full.version == 0 ? 2 : 4;
    for (const Box& reference : Boxes(full.fields.Rest())) {
        if (reference.kind != "dimg") continue;
        Fields f(reference.payload);
        const auto from = static_cast<uint32_t>(f.Read(idSize));
        const uint64_t count = f.Read(2);
        std::vector<uint32_t>& to = meta.derivedFrom[from];
        for (uint64_t i = 0; i < count && !f.Damaged(); ++i)
            to.push_back(static_cast<uint32_t>(f.Read(idSize)));
    }
}

}  // namespace

Meta ReadMeta(std::span<const uint8_t> payload) {
    Meta meta;
    Fields versionAndFlags(payload);
    versionAndFlags.Read(4);
    const std::vector<Box> boxes = Boxes(versionAndFlags.Rest());
    if (const Box* pitm = Find(boxes, "pitm")) {
        FullBox full = Full(*pitm);
        meta.primary = static_cast<uint32_t>(full.fields.Read(full.version == 0 ? 2 : 4));
    }
    if (const Box* iinf = Find(boxes, "iinf")) ReadItemKinds(*iinf, meta);
    if (const Box* iloc = Find(boxes, "iloc")) ReadLocations(*iloc, meta);
    if (const Box* iref = Find(boxes, "iref")) ReadReferences(*iref, meta);
    if (const Box* idat = Find(boxes, "idat")) meta.idat = idat->payload;
    if (const Box* iprp = Find(boxes, "iprp")) {
        const std::vector<Box> parts = Boxes(iprp->payload);
        if (const Box* ipco = Find(parts, "ipco")) meta.properties = Boxes(ipco->payload);
        if (const Box* ipma = Find(parts, "ipma")) ReadAssociations(*ipma, meta);
    }
    return meta;
}

// The item's properties of one kind, in the order of its associations.
std::vector<const Box*> PropertiesOf(const Meta& meta, uint32_t item) {
    std::vector<const Box*> found;
    const auto it = meta.associated.find(item);
    if (it == meta.associated.end()) return found;
    for (const int index : it->second)
        if (index >= 1 && static_cast<size_t>(index) <= meta.properties.size())
            found.push_back(&meta.properties[index - 1]);
    return found;
}

std::optional<std::pair<int64_t, int64_t>> SpatialExtent(const Meta& meta, uint32_t item) {
    for (const Box* p : PropertiesOf(meta, item))
        if (p->kind == "ispe") {
            FullBox full = Full(*p);
            const auto width = static_cast<int64_t>(full.fields.Read(4));
            const auto height = static_cast<int64_t>(full.fields.Read(4));
            if (!full.fields.Damaged()) return std::pair{width, height};
        }
    return std::nullopt;
}

}  // namespace picture::heif
