#include "demo_page.h"

#include <cctype>

namespace fennrow {
namespace {

constexpr const char* kStyle = R"(
  :root { color-scheme: dark; }
  body { margin: 0; background: #0d1014; color: #d0d7de;
         font: 15px/1.5 system-ui, -apple-system, "Segoe UI", sans-serif; }
  header { max-width: 1240px; margin: 0 auto; padding: 28px 20px 8px; }
  h1 { margin: 0 0 6px; font-size: 26px; color: #f0f3f6; }
  header p { margin: 0; color: #8b949e; }
  main { max-width: 1240px; margin: 0 auto; padding: 12px 20px 40px;
         display: grid; gap: 22px; grid-template-columns: repeat(auto-fill, minmax(540px, 1fr)); }
  section { background: #161b22; border: 1px solid #262c36; border-radius: 10px;
            padding: 14px 16px 16px; }
  h2 { margin: 0; font-size: 18px; color: #f0f3f6; display: inline; }
  .details { color: #8b949e; margin-left: 10px; font-size: 13px; }
  img { display: block; width: 100%; height: auto; margin: 10px 0; border-radius: 6px;
        background: #0d1014; }
  audio { width: 100%; }
)";

constexpr const char* kScript = R"(
  window.addEventListener('load', function () {
    var loaded = 0;
    document.querySelectorAll('img.render').forEach(function (img) {
      var ok = img.complete && img.naturalWidth > 0;
      img.setAttribute('data-loaded', ok ? 'yes' : 'no');
      if (ok) loaded++;
    });
    document.body.setAttribute('data-pictures-loaded', String(loaded));
  });
)";

} // namespace

std::string escapeHtml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string fileSlug(const std::string& name) {
    std::string slug;
    bool gap = false;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u)) {
            if (gap && !slug.empty()) slug += '-';
            slug += static_cast<char>(std::tolower(u));
            gap = false;
        } else {
            gap = true;
        }
    }
    return slug.empty() ? "sound" : slug;
}

std::string demoPageHtml(const DemoPage& page) {
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
                       escapeHtml(page.title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
    html += "<header>\n<h1>" + escapeHtml(page.title) + "</h1>\n<p>" + escapeHtml(page.introduction) +
            "</p>\n</header>\n<main>\n";
    for (const DemoCard& card : page.cards) {
        const std::string name = escapeHtml(card.name);
        html += "<section>\n<h2>" + name + "</h2><span class=\"details\">" + escapeHtml(card.details) +
                "</span>\n";
        html += "<img class=\"render\" src=\"" + escapeHtml(card.pictureFile) + "\" width=\"" +
                std::to_string(card.pictureWidth) + "\" height=\"" + std::to_string(card.pictureHeight) +
                "\" alt=\"Waveform and spectrogram of " + name + "\">\n";
        html += "<audio controls preload=\"none\" src=\"" + escapeHtml(card.audioFile) +
                "\"></audio>\n</section>\n";
    }
    html += "</main>\n<script>" + std::string(kScript) + "</script>\n</body>\n</html>\n";
    return html;
}

} // namespace fennrow
