// fennrow-render: an offline CLAP host that plays notes through a plugin and
// writes the result as WAV and PNG.

#include <cstdio>
#include <exception>

#include "commands.h"
#include "options.h"
#include "picture.h"
#include "version.h"

namespace {

int run(int argc, char** argv) {
    using namespace fennrow;
    try {
        const ParseResult parsed = parseOptions(argc, argv);
        if (!parsed.options) {
            std::fprintf(stderr, "fennrow-render: %s\n", parsed.error.c_str());
            return kExitUsage;
        }
        const Options& options = *parsed.options;
        switch (options.mode) {
            case Mode::Help: std::fputs(usageText().c_str(), stdout); return kExitOk;
            case Mode::Version: std::printf("fennrow-render %s\n", kRenderHostVersion); return kExitOk;
            case Mode::ListPresets: return runListPresets(options);
            case Mode::ListParams: return runListParams(options);
            case Mode::Demo: return runDemo(options);
            case Mode::Render: return runRender(options);
        }
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    return kExitFailure;
}

} // namespace

int main(int argc, char** argv) {
    const int code = run(argc, argv);
    fennrow::releasePictureCaches();
    return code;
}
