#include "studio_server.h"

#include <httplib.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>

#include "document/json_parser.h"
#include "document/json_writer.h"
#include "document_bound.h"
#include "document_index.h"
#include "http_listener.h"
#include "page_assets.h"
#include "platform/utf8.h"
#include "studio_json.h"
#include "typed_value.h"

namespace fennrow {
namespace {

constexpr const char* kLoopback = "127.0.0.1";
constexpr const char* kJsonType = "application/json";
constexpr const char* kTokenHeader = "X-Studio-Token";
constexpr const char* kTokenMark = "%STUDIO_TOKEN%";
// The plugin built for the web, when the build had it.
constexpr const char* kEngineAsset = "fennrow_web.js";
// Opened documents and renders are kept for the page to play, save and
// fetch; both are bounded in number and in bytes.
constexpr std::size_t kKeptDocuments = 16;
constexpr std::size_t kKeptDocumentBytes = 4 * kMaxDocumentTextBytes;
// Loop mode and the keyboard ask for many short renders.
constexpr std::size_t kKeptRenders = 16;
constexpr std::size_t kKeptRenderBytes = std::size_t{256} << 20;
constexpr double kMaxKey = 127.0;

struct SecurityHeader {
    const char* name;
    const char* value;
};

// The page loads nothing from anywhere else, cannot be framed, and never
// sends its address (with the token) as a referrer.
constexpr SecurityHeader kSecurityHeaders[] = {
    {"Content-Security-Policy",
     "default-src 'none'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; img-src 'self'; media-src "
     "'self'; "
     "connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'"},
    {"X-Content-Type-Options", "nosniff"},
    {"X-Frame-Options", "DENY"},
    {"Referrer-Policy", "no-referrer"},
    {"Cache-Control", "no-store"},
    {"Cross-Origin-Resource-Policy", "same-origin"},
};

struct KeptDocument {
    int id = 0;
    std::string name;
    std::string text; // the plugin's own text of it
    std::optional<Audition> audition;
};

struct StoredRender {
    int id = 0;
    PlayResult result;
    std::string png; // drawn at the first request
};

std::size_t renderBytes(const StoredRender& render) {
    return render.result.wav.size() +
           (render.result.audio.left.size() + render.result.audio.right.size()) * sizeof(float);
}

// The HTTP library's request processing, for connections the studio's own
// listener has taken in.
class StudioHttp final : public httplib::Server {
public:
    void serve(httplib::Stream& stream) {
        bool closed = false;
        process_request(stream, true, closed, [](httplib::Request&) {});
    }
};

void answer(httplib::Response& res, int status, const document::JsonValue& body) {
    res.status = status;
    res.set_content(writeJson(body), kJsonType);
}

bool isReadMethod(const std::string& method) { return method == "GET" || method == "HEAD"; }

void refuse(httplib::Response& res, int status, const std::string& message) {
    answer(res, status, errorJson(message));
}

} // namespace

class StudioServer {
public:
    explicit StudioServer(StudioSetup setup) : setup_(std::move(setup)), index_(setup_.folder) {}

    bool bind(int port, std::string& error) {
        ListenerLimits limits;
        limits.bodyBytes = kMaxRequestBytes;
        listener_ = listenOnLoopback(port, limits, error);
        if (!listener_) return false;
        rules_ = AccessRules{setup_.token, listenerPort(*listener_)};
        http_.set_payload_max_length(kMaxRequestBytes);
        http_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
            // A browser asks for an icon on its own, without the token: it
            // gets the page's icon, which tells nobody anything.
            if (req.path == "/favicon.ico" && isReadMethod(req.method)) {
                serveAsset("icon.svg", res);
                return httplib::Server::HandlerResponse::Handled;
            }
            return admit(req, res) ? httplib::Server::HandlerResponse::Unhandled
                                   : httplib::Server::HandlerResponse::Handled;
        });
        http_.set_post_routing_handler([](const httplib::Request&, httplib::Response& res) {
            for (const SecurityHeader& header : kSecurityHeaders) res.set_header(header.name, header.value);
        });
        http_.Get("/", [this](const httplib::Request&, httplib::Response& res) { servePage(res); });
        http_.Get(R"(/page/([a-z_.]+))", [](const httplib::Request& req, httplib::Response& res) {
            serveAsset(req.matches[1].str(), res);
        });
        http_.Get("/api/info", [this](const httplib::Request&, httplib::Response& res) { info(res); });
        http_.Get("/api/documents", [this](const httplib::Request& req, httplib::Response& res) {
            document::JsonValue out = document::jsonObject();
            putDocumentList(out, req.get_param_value("filter"));
            answer(res, 200, out);
        });
        http_.Get("/api/text",
                  [this](const httplib::Request& req, httplib::Response& res) { valueText(req, res); });
        http_.Get("/api/value",
                  [this](const httplib::Request& req, httplib::Response& res) { valueOfText(req, res); });
        http_.Get("/api/factory",
                  [this](const httplib::Request& req, httplib::Response& res) { factory(req, res); });
        http_.Get(R"(/api/render/(\d+)\.(wav|png))",
                  [this](const httplib::Request& req, httplib::Response& res) { renderFile(req, res); });
        http_.Post("/api/open",
                   [this](const httplib::Request& req, httplib::Response& res) { open(req, res); });
        http_.Post("/api/play",
                   [this](const httplib::Request& req, httplib::Response& res) { play(req, res); });
        http_.Post("/api/line",
                   [this](const httplib::Request& req, httplib::Response& res) { line(req, res); });
        http_.Post("/api/save",
                   [this](const httplib::Request& req, httplib::Response& res) { save(req, res); });
        http_.set_error_handler([](const httplib::Request&, httplib::Response& res) {
            if (res.body.empty()) {
                res.set_content(
                    writeJson(errorJson(res.status == 413 ? "The request is too large" : "Nothing here")),
                    kJsonType);
            }
        });
        return true;
    }

    int port() const { return rules_.port; }
    std::string address() const {
        return "http://127.0.0.1:" + std::to_string(rules_.port) + "/?token=" + setup_.token;
    }
    void run() {
        runListener(*listener_, [this](httplib::Stream& stream) { http_.serve(stream); });
    }
    void stop() { stopListener(*listener_); }

private:
    bool admit(const httplib::Request& req, httplib::Response& res) {
        RequestFacts facts;
        facts.method = req.method;
        facts.host = req.get_header_value("Host");
        facts.origin = req.get_header_value("Origin");
        facts.fetchSite = req.get_header_value("Sec-Fetch-Site");
        facts.contentType = req.get_header_value("Content-Type");
        facts.token =
            req.has_header(kTokenHeader) ? req.get_header_value(kTokenHeader) : req.get_param_value("token");
        // Several Host headers could be read differently by another proxy; refuse.
        if (req.get_header_value_count("Host") > 1) facts.host.clear();
        const RuleVerdict verdict = checkRequest(rules_, facts);
        if (verdict.status == 0) return true;
        refuse(res, verdict.status, verdict.message);
        return false;
    }

    void servePage(httplib::Response& res) {
        const PageAsset* asset = findPageAsset("index.html");
        std::string html(reinterpret_cast<const char*>(asset->bytes), asset->size);
        for (std::size_t at = html.find(kTokenMark); at != std::string::npos;
             at = html.find(kTokenMark, at)) {
            html.replace(at, std::string_view(kTokenMark).size(), setup_.token);
        }
        res.set_content(html, contentTypeFor("index.html"));
    }

    static void serveAsset(const std::string& name, httplib::Response& res) {
        const PageAsset* asset = findPageAsset(name);
        if (!asset || name == "index.html") {
            refuse(res, 404, "Nothing here");
            return;
        }
        res.set_content(std::string(reinterpret_cast<const char*>(asset->bytes), asset->size),
                        contentTypeFor(name));
    }

    void info(httplib::Response& res) {
        const StudioPlugin& plugin = setup_.plugin;
        std::string error;
        std::unique_ptr<PluginSession> session = createSession(plugin.module, error);
        if (!session) return refuse(res, 500, error);
        document::JsonValue params = document::jsonArray();
        for (std::size_t i = 0; i < plugin.params.size(); ++i) {
            const ParamInfo& p = plugin.params[i];
            document::JsonValue item = document::jsonObject();
            setMember(item, "id", document::jsonNumber(p.id));
            setMember(item, "name", document::jsonString(p.name));
            setMember(item, "unit", document::jsonString(plugin.unitTexts[i]));
            setMember(item, "min", document::jsonNumber(p.minValue));
            setMember(item, "max", document::jsonNumber(p.maxValue));
            setMember(item, "default", document::jsonNumber(p.defaultValue));
            setMember(item, "stepped", document::jsonBool(p.stepped));
            setMember(item, "group", document::jsonString(groupOfParam(p.id)));
            setMember(item, "minText", document::jsonString(paramValueText(*session, p.id, p.minValue)));
            setMember(item, "maxText", document::jsonString(paramValueText(*session, p.id, p.maxValue)));
            params.appendItem(std::move(item));
        }
        document::JsonValue groups = stringListJson(kParamGroups);
        document::JsonValue curves = document::jsonArray();
        for (const CurveSlot& slot : kCurveSlots) {
            document::JsonValue item = document::jsonObject();
            setMember(item, "key", document::jsonString(slot.key));
            setMember(item, "label", document::jsonString(slot.label));
            setMember(item, "group", document::jsonString(slot.group));
            setMember(item, "underArcs", document::jsonBool(slot.underArcs));
            curves.appendItem(std::move(item));
        }
        document::JsonValue factory = stringListJson(plugin.factoryNames);
        std::optional<PageSound> sound = soundOf(*session, plugin, error);
        if (!sound) return refuse(res, 500, error);

        document::JsonValue out = document::jsonObject();
        setMember(out, "plugin", document::jsonString(pluginName(*session)));
        setMember(out, "folder", document::jsonString(setup_.folder.root.string()));
        setMember(out, "params", std::move(params));
        setMember(out, "groups", std::move(groups));
        setMember(out, "curves", std::move(curves));
        setMember(out, "factory", std::move(factory));
        putDocumentList(out);
        setMember(out, "sound", pageSoundJson(*sound));
        // The page plays with its own engine when this build has it.
        setMember(out, "engine", document::jsonBool(findPageAsset(kEngineAsset) != nullptr));
        setMember(out, "maxBars", document::jsonNumber(kMaxPlayBars));
        setMember(out, "minTempo", document::jsonNumber(kMinPlayTempo));
        setMember(out, "maxTempo", document::jsonNumber(kMaxPlayTempo));
        answer(res, 200, out);
    }

    void valueText(const httplib::Request& req, httplib::Response& res) {
        char* end = nullptr;
        const std::string idText = req.get_param_value("id");
        const std::string valueText = req.get_param_value("value");
        const unsigned long id = std::strtoul(idText.c_str(), &end, 10);
        const bool idRead = !idText.empty() && *end == '\0';
        const double value = std::strtod(valueText.c_str(), &end);
        if (!idRead || valueText.empty() || *end != '\0' || !std::isfinite(value)) {
            return refuse(res, 400, "Ask for a value text with a parameter id and a number");
        }
        // One instance answers every value text: the page asks for one at each slider step.
        std::lock_guard<std::mutex> lock(textMutex_);
        std::string error;
        if (!textSession_) textSession_ = createSession(setup_.plugin.module, error);
        if (!textSession_) return refuse(res, 500, error);
        document::JsonValue out = document::jsonObject();
        setMember(out, "text",
                  document::jsonString(paramValueText(*textSession_, static_cast<clap_id>(id), value)));
        answer(res, 200, out);
    }

    // A value typed on the page, read by the plugin's own text-to-value.
    void valueOfText(const httplib::Request& req, httplib::Response& res) {
        const std::string idText = req.get_param_value("id");
        const std::string text = req.get_param_value("text");
        const ParamInfo* param = nullptr;
        for (const ParamInfo& p : setup_.plugin.params) {
            if (std::to_string(p.id) == idText) param = &p;
        }
        if (!param || text.empty()) return refuse(res, 400, "Ask for a value with a parameter id and a text");
        std::lock_guard<std::mutex> lock(textMutex_);
        std::string error;
        if (!textSession_) textSession_ = createSession(setup_.plugin.module, error);
        if (!textSession_) return refuse(res, 500, error);
        const std::string minText = paramValueText(*textSession_, param->id, param->minValue);
        const std::string maxText = paramValueText(*textSession_, param->id, param->maxValue);
        const std::string defaultText = paramValueText(*textSession_, param->id, param->defaultValue);
        const std::vector<std::string> units = unitsOfTexts({defaultText, minText, maxText});
        const std::optional<std::string> readable = typedValueText(text, units);
        const std::optional<double> value =
            readable ? paramValueFromText(*textSession_, *param, *readable) : std::nullopt;
        if (!value || *value < param->minValue || *value > param->maxValue) {
            std::string unitList;
            for (const std::string& unit : typedUnits(units))
                unitList += (unitList.empty() ? "" : ", ") + unit;
            return refuse(res, 422,
                          "\"" + text + "\" is not a value of " + param->name + ": type a number from " +
                              minText + " to " + maxText +
                              (unitList.empty() ? "" : " (in " + unitList + ")"));
        }
        document::JsonValue out = document::jsonObject();
        setMember(out, "value", document::jsonNumber(*value));
        answer(res, 200, out);
    }

    void factory(const httplib::Request& req, httplib::Response& res) {
        SoundBase base;
        base.factoryName = req.get_param_value("name");
        base.title = base.factoryName;
        if (base.factoryName.empty()) return refuse(res, 400, "Name the factory sound");
        std::string error;
        std::unique_ptr<PluginSession> session = sessionFor(setup_.plugin, base, nullptr, error);
        if (!session) return refuse(res, 404, error);
        std::optional<PageSound> sound = soundOf(*session, setup_.plugin, error);
        if (!sound) return refuse(res, 500, error);
        document::JsonValue out = document::jsonObject();
        setMember(out, "sound", pageSoundJson(*sound));
        answer(res, 200, out);
    }

    // Reading, checking and loading happen without the studio's lock, which
    // is taken only to keep the result: a slow document holds up nobody.
    void open(const httplib::Request& req, httplib::Response& res) {
        document::JsonParseResult body = document::parseJson(req.body);
        const std::optional<std::string> name = body.ok ? stringField(body.value, "path") : std::nullopt;
        if (!name) return refuse(res, 400, "Name the document to open");
        std::string error;
        std::optional<std::string> bytes = readFromFolder(setup_.folder, *name, error);
        if (!bytes) return refuse(res, 404, error);
        if (std::optional<std::string> problem = documentBoundProblem(*bytes)) {
            return refuse(res, 413, *name + ": " + *problem);
        }
        OpenedDocument opened = openDocument(setup_.plugin, *bytes, *name);
        bytes.reset();
        if (!opened.usable) {
            document::JsonValue out = errorJson(*name + ": " + opened.message);
            setMember(out, "findings", findingsJson(opened.findings));
            return answer(res, 422, out);
        }
        document::JsonValue out = document::jsonObject();
        setMember(out, "name", document::jsonString(*name));
        setMember(out, "findings", findingsJson(opened.findings));
        setMember(out, "sound", pageSoundJson(opened.sound));
        // For the page's engine to start from, as later plays and saves here do.
        setMember(out, "text", document::jsonString(opened.text));
        if (opened.audition) {
            document::JsonValue audition = document::jsonObject();
            setMember(audition, "tempo",
                      opened.audition->ownTempo ? document::jsonString(tempoText(opened.audition->tempo))
                                                : document::jsonNull());
            setMember(audition, "beats", document::jsonNumber(opened.audition->endBeat));
            setMember(out, "audition", std::move(audition));
        } else {
            setMember(out, "audition", document::jsonNull());
        }
        setMember(
            out, "document",
            document::jsonNumber(keepDocument(*name, std::move(opened.text), std::move(opened.audition))));
        answer(res, 200, out);
    }

    void play(const httplib::Request& req, httplib::Response& res) {
        std::string error;
        std::optional<SoundRequest> asked = soundRequest(req, error);
        if (!asked) return refuse(res, 400, error);
        const auto& [body, base, sound, document] = *asked;
        PlayRequest request;
        const std::string source = stringField(body, "source").value_or("demo");
        const bool audition = source == "audition";
        if (!readTransport(body, request, error)) return refuse(res, 400, error);
        if (source == "note") {
            const std::optional<double> key = numberField(body, "key");
            if (!key || *key < 0 || *key > kMaxKey || *key != std::floor(*key)) {
                return refuse(res, 400, "A note is played by its key, 0 to 127");
            }
            request.key = static_cast<int>(*key);
        }
        if (audition) {
            if (!document || !document->audition) {
                return refuse(res, 400, "Only an opened document with an audition clip has one to play");
            }
            request.audition = &*document->audition;
        }
        const auto start = std::chrono::steady_clock::now();
        std::unique_ptr<PluginSession> session = sessionFor(setup_.plugin, base, &sound, error);
        if (!session) return refuse(res, 422, error);
        std::optional<PlayResult> result = playSound(*session, base, request, setup_.scratch, error);
        if (!result) return refuse(res, 422, error);
        const double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        document::JsonValue out = document::jsonObject();
        setMember(out, "notes", document::jsonString(result->notesText));
        setMember(out, "lengthBeats", document::jsonString(result->lengthBeats));
        setMember(out, "tempo", document::jsonNumber(result->tempo));
        setMember(out, "tempoText", document::jsonString(result->tempoText));
        setMember(out, "audioSeconds", document::jsonNumber(result->audioSeconds));
        setMember(out, "loopSeconds", document::jsonNumber(result->loopSeconds));
        setMember(out, "renderSeconds", document::jsonNumber(result->renderSeconds));
        setMember(out, "totalSeconds", document::jsonNumber(total));
        const int id = keepRender(std::move(*result));
        setMember(out, "render", document::jsonNumber(id));
        setMember(out, "wav", document::jsonString("/api/render/" + std::to_string(id) + ".wav"));
        setMember(out, "png", document::jsonString("/api/render/" + std::to_string(id) + ".png"));
        answer(res, 200, out);
    }

    // The line the page's own engine loops: its notes in seconds and where
    // the loop starts again, without rendering anything.
    void line(const httplib::Request& req, httplib::Response& res) {
        document::JsonParseResult body = document::parseJson(req.body);
        if (!body.ok || body.value.type() != document::JsonType::Object)
            return refuse(res, 400, "The request is not a JSON object");
        std::string error;
        PlayRequest request;
        if (!readTransport(body.value, request, error)) return refuse(res, 400, error);
        std::shared_ptr<const KeptDocument> document;
        if (stringField(body.value, "source").value_or("demo") == "audition") {
            const std::optional<double> id = numberField(body.value, "document");
            document = id ? findDocument(*id) : nullptr;
            if (!document || !document->audition) {
                return refuse(res, 400, "Only an opened document with an audition clip has one to play");
            }
            request.audition = &*document->audition;
        }
        std::optional<PlayLine> played = playLine(request, error);
        if (!played) return refuse(res, 422, error);
        document::JsonValue notes = document::jsonArray();
        for (const LineNote& note : played->notes) {
            document::JsonValue item = document::jsonObject();
            setMember(item, "key", document::jsonNumber(note.key));
            setMember(item, "on", document::jsonNumber(note.onSeconds));
            setMember(item, "off", document::jsonNumber(note.offSeconds));
            setMember(item, "velocity", document::jsonNumber(note.velocity));
            notes.appendItem(std::move(item));
        }
        document::JsonValue out = document::jsonObject();
        setMember(out, "notes", std::move(notes));
        setMember(out, "loopSeconds", document::jsonNumber(played->loopSeconds));
        setMember(out, "tempo", document::jsonNumber(played->tempo));
        document::JsonValue tempoMap = document::jsonArray();
        for (const TempoChange& change : played->tempoMap.changes) {
            document::JsonValue pair = document::jsonArray();
            pair.appendItem(document::jsonNumber(change.beat));
            pair.appendItem(document::jsonNumber(change.bpm));
            tempoMap.appendItem(std::move(pair));
        }
        setMember(out, "tempoMap", std::move(tempoMap));
        setMember(out, "tempoText", document::jsonString(played->tempoText));
        answer(res, 200, out);
    }

    // Tempo and bars as asked, or refused: a value the studio would change
    // plays something else than the page shows.
    static bool readTransport(const document::JsonValue& body, PlayRequest& request, std::string& error) {
        if (findMember(body, "tempo")) {
            const std::optional<double> bpm = numberField(body, "tempo");
            if (!bpm || *bpm < kMinPlayTempo || *bpm > kMaxPlayTempo) {
                char text[96];
                std::snprintf(text, sizeof text, "The tempo is a number from %g to %g BPM", kMinPlayTempo,
                              kMaxPlayTempo);
                error = text;
                return false;
            }
            request.bpm = *bpm;
        }
        if (findMember(body, "bars")) {
            const std::optional<double> bars = numberField(body, "bars");
            if (!bars || *bars < 1 || *bars > kMaxPlayBars || *bars != std::floor(*bars)) {
                error = "Bars is a whole number from 1 to " + std::to_string(kMaxPlayBars);
                return false;
            }
            request.bars = static_cast<int>(*bars);
        }
        return true;
    }

    void save(const httplib::Request& req, httplib::Response& res) {
        std::string error;
        std::optional<SoundRequest> asked = soundRequest(req, error);
        if (!asked) return refuse(res, 400, error);
        const auto& [body, base, sound, document] = *asked;
        const std::optional<std::string> name = stringField(body, "path");
        if (!name) return refuse(res, 400, "Name the document to save");
        std::unique_ptr<PluginSession> session = sessionFor(setup_.plugin, base, &sound, error);
        std::optional<std::string> text = session ? saveState(*session, error) : std::nullopt;
        if (!text) return refuse(res, 422, error);
        // Nothing is written that the studio would not open again.
        if (text->size() > kMaxDocumentTextBytes) {
            return refuse(res, 413,
                          "The document would be " + sizeText(text->size()) +
                              "; the studio saves documents of up to " + sizeText(kMaxDocumentTextBytes));
        }
        switch (writeToFolder(setup_.folder, *name, *text, boolField(body, "overwrite"), error)) {
            case WriteOutcome::Exists: {
                document::JsonValue out = errorJson(error);
                setMember(out, "exists", document::jsonBool(true));
                setMember(out, "path", document::jsonString(platform::wellFormedUtf8(*name)));
                return answer(res, 409, out);
            }
            case WriteOutcome::Refused: return refuse(res, 403, "Not saved: " + error);
            case WriteOutcome::Written: break;
        }
        index_.added(*name);
        document::JsonValue out = document::jsonObject();
        setMember(out, "saved", document::jsonString(*name));
        setMember(out, "bytes", document::jsonNumber(static_cast<double>(text->size())));
        putDocumentList(out);
        answer(res, 200, out);
    }

    void renderFile(const httplib::Request& req, httplib::Response& res) {
        const std::string digits = req.matches[1].str();
        int id = 0;
        std::from_chars(digits.data(), digits.data() + digits.size(),
                        id); // too many digits leave 0: no render
        const bool wav = req.matches[2].str() == "wav";
        std::shared_ptr<StoredRender> render = findRender(id);
        if (!render) return refuse(res, 404, "That render is gone; play again");
        if (wav) return res.set_content(render->result.wav, "audio/wav");
        // The picture is drawn once, by the first request for it; the
        // spectrogram's planner serves one drawing at a time.
        std::lock_guard<std::mutex> drawing(pictureMutex_);
        if (render->png.empty()) {
            std::string error;
            std::optional<std::string> png = pictureOf(render->result, setup_.scratch, error);
            if (!png) return refuse(res, 500, error);
            render->png = std::move(*png);
        }
        res.set_content(render->png, "image/png");
    }

    struct SoundRequest {
        document::JsonValue body;
        SoundBase base;
        PageSound sound;
        std::shared_ptr<const KeptDocument> document; // when the base is an opened document
    };

    // The body of a play or save: {"base": {...}, "sound": {...}, ...}.
    std::optional<SoundRequest> soundRequest(const httplib::Request& req, std::string& error) {
        document::JsonParseResult parsed = document::parseJson(req.body);
        if (!parsed.ok || parsed.value.type() != document::JsonType::Object) {
            error = "The request is not a JSON object";
            return std::nullopt;
        }
        SoundRequest asked;
        asked.body = std::move(parsed.value);
        const document::JsonValue* baseValue = findMember(asked.body, "base");
        const document::JsonValue* soundValue = findMember(asked.body, "sound");
        if (!soundValue) {
            error = "The request carries no sound";
            return std::nullopt;
        }
        SoundBase& base = asked.base;
        if (baseValue) {
            if (auto factoryName = stringField(*baseValue, "factory")) {
                base.factoryName = *factoryName;
                base.title = *factoryName;
            } else if (auto documentId = numberField(*baseValue, "document")) {
                asked.document = findDocument(*documentId);
                if (!asked.document) {
                    error = "That document is no longer open; open it again";
                    return std::nullopt;
                }
                base.documentBytes = asked.document->text;
                base.title = asked.document->name;
            }
        }
        if (base.title.empty()) base.title = "fennrow studio";
        std::optional<PageSound> sound = pageSoundFrom(*soundValue, error);
        if (!sound) return std::nullopt;
        asked.sound = std::move(*sound);
        return asked;
    }

    void putDocumentList(document::JsonValue& out, std::string_view filter = {}) {
        const DocumentIndex::View view = index_.current(filter);
        setMember(out, "documents", stringListJson(view.list.names));
        setMember(out, "documentsCut", document::jsonBool(view.list.cut));
        setMember(out, "documentsScanning", document::jsonBool(view.scanning));
        setMember(out, "maxDocuments", document::jsonNumber(static_cast<double>(kMaxListedDocuments)));
    }

    int keepDocument(const std::string& name, std::string text, std::optional<Audition> audition) {
        std::lock_guard<std::mutex> lock(mutex_);
        const int id = nextDocument_++;
        documents_.push_back(std::make_shared<const KeptDocument>(
            KeptDocument{id, name, std::move(text), std::move(audition)}));
        std::size_t bytes = 0;
        for (const auto& document : documents_) bytes += document->text.size();
        while (documents_.size() > 1 && (documents_.size() > kKeptDocuments || bytes > kKeptDocumentBytes)) {
            bytes -= documents_.front()->text.size();
            documents_.pop_front();
        }
        return id;
    }

    std::shared_ptr<const KeptDocument> findDocument(double id) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& document : documents_) {
            if (document->id == id) return document;
        }
        return nullptr;
    }

    int keepRender(PlayResult result) {
        std::lock_guard<std::mutex> lock(mutex_);
        const int id = nextRender_++;
        renders_.push_back(std::make_shared<StoredRender>(StoredRender{id, std::move(result), ""}));
        std::size_t bytes = 0;
        for (const auto& render : renders_) bytes += renderBytes(*render);
        while (renders_.size() > 1 && (renders_.size() > kKeptRenders || bytes > kKeptRenderBytes)) {
            bytes -= renderBytes(*renders_.front());
            renders_.pop_front();
        }
        return id;
    }

    std::shared_ptr<StoredRender> findRender(int id) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& render : renders_) {
            if (render->id == id) return render;
        }
        return nullptr;
    }

    StudioSetup setup_;
    DocumentIndex index_;
    AccessRules rules_;
    StudioHttp http_;
    HttpListenerHandle listener_;
    // Guards the kept documents and renders only, for moments: plugin work,
    // file work and drawing never happen under it.
    std::mutex mutex_;
    std::deque<std::shared_ptr<const KeptDocument>> documents_;
    int nextDocument_ = 1;
    std::deque<std::shared_ptr<StoredRender>> renders_;
    int nextRender_ = 1;
    std::mutex pictureMutex_;
    std::mutex textMutex_; // guards textSession_
    std::unique_ptr<PluginSession> textSession_;
};

void StudioServerDeleter::operator()(StudioServer* server) const { delete server; }

StudioServerHandle bindStudio(StudioSetup setup, int port, std::string& error) {
    StudioServerHandle server(new StudioServer(std::move(setup)));
    if (!server->bind(port, error)) return nullptr;
    return server;
}

int boundPort(const StudioServer& server) { return server.port(); }
std::string pageAddress(const StudioServer& server) { return server.address(); }
void runStudio(StudioServer& server) { server.run(); }
void stopStudio(StudioServer& server) { server.stop(); }

} // namespace fennrow
