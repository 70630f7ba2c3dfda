// The demo's index.html: one card per sound with its picture and an audio
// player. When the page has loaded, a small script marks each picture with
// data-loaded="yes" or "no" and the body with the count of loaded pictures,
// so a headless browser's DOM dump tells whether every picture showed.
#pragma once

#include <string>
#include <vector>

namespace fennrow {

struct DemoCard {
    std::string name;
    std::string details;     // e.g. "Sub · 9.0 s"
    std::string pictureFile; // relative to the page
    std::string audioFile;   // relative to the page
    int pictureWidth = 0;
    int pictureHeight = 0;
};

struct DemoPage {
    std::string title;
    std::string introduction;
    std::vector<DemoCard> cards;
};

std::string escapeHtml(const std::string& text);

std::string demoPageHtml(const DemoPage& page);

// "Deep Sub" -> "deep-sub": lower-case letters and digits joined by hyphens.
std::string fileSlug(const std::string& name);

} // namespace fennrow
