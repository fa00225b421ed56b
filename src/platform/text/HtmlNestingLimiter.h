#pragma once

#include <QString>

#include <functional>

namespace platform {

// Qt's HTML importer takes time that grows with the square of the element nesting depth
// (10,000 nested blocks take seconds), so HTML read from outside passes through here first:
// tags nested deeper than the limit are left out in open/close pairs, and their content reads
// as if it stood at the deepest kept level. Tags are read as Qt's importer reads them, and an
// element that HTML ends without an end tag gets one written, so the depth counted here is
// never less than the one the importer builds. A "<" that starts no tag ("a < b", "<3")
// becomes "&lt;", read as text the way HTML reads it, and an instruction ("<?xml ...?>") is
// left out, since Qt's importer would open an element there that never closes; so are comments
// and declarations ("<!DOCTYPE html>"), after which it would drop the white space that parts
// two words. Style elements are kept while their length times the matches the importer makes
// stays within a budget: it matches every rule against every element it opens and again against
// each one around it. Since every tag is read here as the importer will read it, image tags can
// be replaced on the way. Runs in time linear in the length of the HTML.
class HtmlNestingLimiter final {
public:
    static constexpr int kMaximumDepth = 128;
    // What stands for an image tag, given the whole tag.
    using ImageReplacer = std::function<QString(const QString& tag)>;

    HtmlNestingLimiter() = delete;

    // The HTML itself (shared, not copied) when nothing needs changing.
    static QString limited(const QString& html, int maximumDepth = kMaximumDepth,
        const ImageReplacer& replaceImage = {});
};

} // namespace platform
