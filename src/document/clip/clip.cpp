#include "document/clip/clip.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>
#include <utility>

namespace fennrow::document {

void setExpression(ClipNote& note, std::string_view name, NoteExpression expression) {
    for (NamedExpression& entry : note.expr) {
        if (entry.name == name) {
            entry.expression = std::move(expression);
            return;
        }
    }
    note.expr.push_back(NamedExpression{std::string(name), std::move(expression)});
}

std::vector<JsonMember> uniqueMembers(std::vector<JsonMember> list) {
    std::unordered_map<std::string_view, size_t> positions;
    positions.reserve(list.size());
    std::vector<JsonMember> unique;
    unique.reserve(list.size());
    for (JsonMember& member : list) {
        // The keys of `list` outlive the map, so views into them stay valid.
        auto [found, inserted] = positions.try_emplace(member.key, unique.size());
        if (inserted) {
            unique.push_back(JsonMember{member.key, std::move(member.value)});
        } else {
            unique[found->second].value = std::move(member.value);
        }
    }
    return unique;
}

namespace {

// A decimal signed 32-bit integer filling all of text: an optional '-', digits,
// nothing else.
std::optional<int32_t> parseWholeInt32(std::string_view text) {
    int32_t value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    auto [end, error] = std::from_chars(first, last, value, 10);
    if (error != std::errc() || end != last) return std::nullopt;
    return value;
}

} // namespace

std::optional<double> parseGrid(std::string_view text) {
    const size_t slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::optional<int32_t> n = parseWholeInt32(text.substr(0, slash));
    const std::optional<int32_t> d = parseWholeInt32(text.substr(slash + 1));
    if (!n || !d || *n <= 0 || *d <= 0) return std::nullopt;
    return static_cast<double>(*n) * 4.0 / static_cast<double>(*d);
}

namespace {

bool noteUsesVoices(const ClipNote& note) {
    return !note.voice.empty() || note.tune.has_value() || !note.sound.empty();
}

bool noteUsesPerNoteParams(const ClipNote& note) { return !note.set.empty() || !note.add.empty(); }

bool noteUsesNoteRandom(const ClipNote& note) {
    return note.rand && (note.rand->pan.has_value() || !note.rand->params.empty());
}

bool noteUsesSlide(const ClipNote& note) { return note.slide; }

template <typename Element, typename Test>
bool anyReadable(const std::vector<Element>& elements, Test test) {
    return std::any_of(elements.begin(), elements.end(),
                       [&](const Element& e) { return !e.keptAsWritten && test(e); });
}

bool clipUsesVoices(const Clip& clip) {
    return !clip.voices.empty() || !clip.sounds.empty() ||
           anyReadable(clip.swing, [](const SwingSetting& s) { return !s.voice.empty(); }) ||
           anyReadable(clip.lanes, [](const Lane& l) { return !l.voice.empty(); }) ||
           anyReadable(clip.notes, noteUsesVoices);
}

struct ExtensionUse {
    std::string_view id;
    bool (*used)(const Clip&);
};

// In the order the extensions are declared when a clip is written.
constexpr ExtensionUse kExtensionUses[] = {
    {kVoicesExtension, clipUsesVoices},
    {kPerNoteParamsExtension, [](const Clip& c) { return anyReadable(c.notes, noteUsesPerNoteParams); }},
    {kNoteRandomExtension, [](const Clip& c) { return anyReadable(c.notes, noteUsesNoteRandom); }},
    {kSlideExtension, [](const Clip& c) { return anyReadable(c.notes, noteUsesSlide); }},
};

} // namespace

std::vector<ExtensionId> usedExtensions(const Clip& clip) {
    std::vector<ExtensionId> used;
    for (const ExtensionUse& use : kExtensionUses) {
        if (use.used(clip)) used.push_back(ExtensionId{std::string(use.id), kClipExtensionVersion});
    }
    return used;
}

} // namespace fennrow::document
