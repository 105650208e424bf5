// SPDX-License-Identifier: MIT

// Randomized insertions on the simulated desktop: the focus moves at random moments, inputs show
// the paste late, never, twice, with a blank line or with a character of their own, other
// applications copy meanwhile, the clipboard's owner is slow or stopped, the browser stops
// answering accessibility requests for a while (or only its text reads time out), and prompts carry
// emoji, combining marks and CRLF line ends. Prints its counts; fails when any insertion pressed
// Return without the prompt in place (the draft with the prompt spliced in, whitespace aside),
// pasted into another input, lost or altered a clipboard, or did not end, reported a focus change
// while the focus stayed, or when a press during an insertion did anything but beep.
//
// Usage: tandrel-sending-campaign [insertions] [seed]

#include "app/sending/PromptSender.h"
#include "core/ComposerPolicy.h"
#include "platform/sim/SimDesktop.h"
#include "tests/support/WebChatScene.h"

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

using namespace tandrel;
using namespace tandrel::sim;

namespace {

struct Counts {
    int insertions = 0;
    int returns = 0;
    int returnsWithoutPrompt = 0;
    int pastesElsewhere = 0;
    int clipboardsLost = 0;
    int busyLeft = 0;
    int unended = 0;
    int pressesWhileBusy = 0;
    int wrongBeeps = 0;
    int silences = 0;
    int falseFocusChanges = 0;
    std::map<QString, int> endings;
};

class Campaign {
public:
    explicit Campaign(unsigned seed) : m_random(seed) {}

    void runOne(Counts& counts);

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    bool chance(double p) { return std::bernoulli_distribution(p)(m_random); }
    double between(double a, double b) {
        return std::uniform_real_distribution<double>(a, b)(m_random);
    }
    QString text(const std::vector<QString>& pieces, int most) {
        QString result;
        for (int n = pick(most + 1); n > 0; --n)
            result += pieces[std::size_t(pick(int(pieces.size())))];
        return result;
    }
    std::vector<PasteboardItem> randomClipboard() {
        static const QStringList types{"text/plain", "text/html", "image/png", "text/uri-list",
                                       "application/x-custom"};
        std::vector<PasteboardItem> items;
        for (int i = pick(3); i > 0; --i) {
            PasteboardItem item;
            for (int t = 1 + pick(3); t > 0; --t) {
                const QString type = types[pick(int(types.size()))];
                QByteArray bytes;
                for (int b = pick(64); b > 0; --b)
                    bytes.append(char(pick(256)));
                if (std::none_of(item.begin(), item.end(),
                                 [&](const auto& entry) { return entry.first == type; }))
                    item.emplace_back(type, bytes);
            }
            items.push_back(item);
        }
        return items;
    }

    std::mt19937 m_random;
};

// Verification forgives whitespace an input adds or folds around a paste (line ends, blank
// lines, a trimmed end), never a character more or less: what a Return sends must be the draft
// with the prompt in its place, whitespace aside.
QString withoutSpaces(const QString& text) {
    QString out;
    for (const QChar c : text) {
        if (!c.isSpace())
            out += c;
    }
    return out;
}

// The text as a C string literal would spell it, so that line ends and spaces show.
std::string quoted(const QString& text) {
    std::string out = "\"";
    for (const char c : text.toStdString()) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out + "\"";
}

const std::vector<QString> kPromptPieces = {
    "Summarize", " this",  " thread", ".",  "\r\n",  "\n",          "😀",  "e\u0301",
    "Ω",         "\u00a0", "  ",      "\t", "naïve", "👩‍💻", "1.", " – ",
};
const std::vector<QString> kDraftPieces = {"hi", " ",    "Note: ",    "\r\n",   "\n\n",
                                           "x",  "🙂", "Summarize", "a\u0308"};

void Campaign::runOne(Counts& counts) {
    SimDesktop sim;
    test::WebChatScene chat = test::buildWebChat(sim);
    SimApp& other = sim.addApp(5151, QString("org.example.Editor"), QString("Editor"));
    const SimElement otherInput =
        other.window("Notes", Rect(0, 0, 500, 500)).child(a11y::Role::textArea).text("notes");
    other.focus(otherInput);
    const SimElement sibling = chat.body.child(a11y::Role::textArea).text("");
    FocusTracker tracker(sim.accessibility(), sim.workspace(), sim.clock());
    PromptSender sender(sim.pasteboard(), sim.keyEvents(), sim.clock(), tracker);
    std::vector<std::pair<std::optional<QString>, bool>> statuses;
    QObject::connect(&sender, &PromptSender::statusChanged, [&](const std::optional<QString>& s) {
        statuses.emplace_back(s, sender.busy());
    });

    // The input, the clipboard and the prompt.
    const QString before = text(kDraftPieces, 4);
    chat.input.text(before);
    std::optional<TextRange> selection;
    if (chance(0.4)) {
        const auto location = pick(int(before.size()) + 1);
        selection = TextRange{location, pick(int(before.size()) - location + 1)};
        chat.input.selection(*selection);
    }
    if (chance(0.03))
        chat.input.fail(a11y::Question::text, Failure::notAnswering);
    QString promptText = text(kPromptPieces, 8);
    if (ComposerPolicy::comparableText(promptText).isEmpty())
        promptText += "Go";
    const Prompt prompt(QUuid::createUuid(), "Prompt", promptText);
    const std::vector<PasteboardItem> original = randomClipboard();
    sim.pasteboard().copy(original);

    PasteBehaviour behaviour;
    const double delays[] = {0, 0.01, 0.05, 0.08, 0.3, 1.0, 1.5, 1.59, 2.0};
    behaviour.delay = chance(0.1) ? std::nullopt : std::optional(delays[pick(9)]);
    if (chance(0.35))
        behaviour.shape = PasteBehaviour::Shape(1 + pick(3));
    sim.keyEvents().setBehaviour(chat.input, behaviour);
    if (chance(0.02)) {
        sim.pasteboard().refuseWrites([promptText](const PasteboardContent& content) {
            return content == plainTextContent(promptText);
        });
    }
    // The program holding the clipboard hands it over slowly, or not at all (it is stopped).
    if (chance(0.15))
        sim.pasteboard().setOwnerDelay(chance(0.3) ? std::nullopt
                                                   : std::optional(between(0.01, 0.6)));
    // A paste keystroke that cannot be made ends as a focus change, too.
    bool focusMoved = false;
    if (chance(0.02)) {
        const auto failing = pick(2) ? SimKeyEvents::Verb::paste : SimKeyEvents::Verb::submit;
        sim.keyEvents().fail(failing);
        focusMoved = failing == SimKeyEvents::Verb::paste;
    }

    // Disturbances at random moments.
    std::vector<std::unique_ptr<Handle>> disturbances;
    if (chance(0.3)) {
        const int where = pick(3);
        disturbances.push_back(sim.manualClock().runAfter(between(0, 2.0), [&, where] {
            focusMoved = true;
            if (where == 0)
                chat.browser->focus(sibling);
            else if (where == 1)
                sim.activate(other);
            else
                chat.browser->clearFocus();
        }));
    }
    // The browser goes busy for a while (say, asking us for the clipboard's text): every request
    // times out, or only the text reads do.
    if (chance(0.3)) {
        const bool wholeApplication = chance(0.7);
        const double from = between(0, 1.8);
        const double until = from + between(0.01, 1.0);
        const bool textWasReadable = !chat.input.node()->failures.contains(a11y::Question::text);
        auto silence = [&, wholeApplication, textWasReadable](bool silent) {
            if (wholeApplication) {
                sim.ax().setAnswering(chat.browser->pid(), !silent);
            } else if (textWasReadable) {
                if (silent)
                    chat.input.fail(a11y::Question::text, Failure::notAnswering);
                else
                    chat.input.unfail(a11y::Question::text);
            }
        };
        disturbances.push_back(sim.manualClock().runAfter(from, [silence] { silence(true); }));
        disturbances.push_back(sim.manualClock().runAfter(until, [silence] { silence(false); }));
        ++counts.silences;
    }
    std::optional<std::vector<PasteboardItem>> otherCopy;
    if (chance(0.2)) {
        otherCopy = randomClipboard();
        disturbances.push_back(sim.manualClock().runAfter(
            between(0, 2.5), [&] { sim.pasteboard().copy(*otherCopy); }));
    }

    const std::optional<ChatTarget> target = tracker.current(true);
    if (!target) {
        std::fprintf(stderr, "campaign: the chat input was not found\n");
        std::exit(2);
    }
    // The user presses a button again while the insertion runs: only a beep.
    int pressesWhileBusy = 0;
    if (chance(0.2)) {
        disturbances.push_back(sim.manualClock().runAfter(between(0, 1.5), [&] {
            if (sender.busy()) {
                ++pressesWhileBusy;
                sender.send(prompt, *target);
            }
        }));
    }
    sender.send(prompt, *target);
    sim.advance(5.0);

    ++counts.insertions;
    counts.pressesWhileBusy += pressesWhileBusy;
    if (sim.keyEvents().beeps() != pressesWhileBusy)
        ++counts.wrongBeeps;
    const QString expected = selection ? before.left(selection->location) + promptText +
                                             before.mid(selection->location + selection->length)
                                       : before + promptText;
    for (const auto& key : sim.keyEvents().submits()) {
        ++counts.returns;
        if (key.focused != chat.input.node() || !key.text ||
            withoutSpaces(*key.text) != withoutSpaces(expected)) {
            ++counts.returnsWithoutPrompt;
            std::printf("  Return on %s while the input held %s (before %s, prompt %s, shape %d)\n",
                        key.focused == chat.input.node() ? "the target" : "another element",
                        quoted(key.text.value_or(QString())).c_str(), quoted(before).c_str(),
                        quoted(promptText).c_str(), int(behaviour.shape));
        }
    }
    for (const auto& paste : sim.keyEvents().pastes()) {
        if (paste.element != chat.input.node())
            ++counts.pastesElsewhere;
    }
    if (sim.pasteboard().items() != otherCopy.value_or(original))
        ++counts.clipboardsLost;
    if (sender.busy())
        ++counts.busyLeft;
    if (statuses.empty() || statuses.back().second || sim.manualClock().pendingCount() != 0)
        ++counts.unended;
    if (!statuses.empty()) {
        const QString ending = statuses.back().first.value_or(QStringLiteral("(sent)"));
        ++counts.endings[ending];
        // A busy browser is not a focus change.
        if (ending.startsWith(QLatin1String("Focus changed.")) && !focusMoved)
            ++counts.falseFocusChanges;
    }
}

} // namespace

int main(int argc, char** argv) {
    // The focus tracker logs every change of its decision; thousands of them say nothing here.
    qSetMessagePattern(QString());
    qputenv("QT_LOGGING_RULES", "*.debug=false;tandrel.focus=false;tandrel.focus.info=false");
    int insertions = argc > 1 ? std::atoi(argv[1]) : 10000;
    const unsigned seed = argc > 2 ? unsigned(std::strtoul(argv[2], nullptr, 10)) : 20240611u;
#if defined(__SANITIZE_ADDRESS__)
    if (argc <= 1) {
        insertions = 2000;
        std::printf("sanitizer build: %d insertions instead of 10000\n", insertions);
    }
#endif
    Campaign campaign(seed);
    Counts counts;
    for (int i = 0; i < insertions; ++i)
        campaign.runOne(counts);

    std::printf("insertions: %d (seed %u)\n", counts.insertions, seed);
    std::printf("returns pressed: %d\n", counts.returns);
    std::printf("insertions with a busy browser: %d\n", counts.silences);
    std::printf("presses while busy (each must beep only): %d\n", counts.pressesWhileBusy);
    for (const auto& [ending, n] : counts.endings)
        std::printf("  ended \"%s\": %d\n", qPrintable(ending), n);
    std::printf("returns without the prompt in place: %d\n", counts.returnsWithoutPrompt);
    std::printf("pastes into another input: %d\n", counts.pastesElsewhere);
    std::printf("clipboards lost or altered: %d\n", counts.clipboardsLost);
    std::printf("busy left set: %d\n", counts.busyLeft);
    std::printf("insertions not ended: %d\n", counts.unended);
    std::printf("focus changes reported while the focus stayed: %d\n", counts.falseFocusChanges);
    std::printf("insertions with a beep too many or too few: %d\n", counts.wrongBeeps);
    const bool clean = counts.returnsWithoutPrompt == 0 && counts.pastesElsewhere == 0 &&
                       counts.clipboardsLost == 0 && counts.busyLeft == 0 && counts.unended == 0 &&
                       counts.wrongBeeps == 0 && counts.falseFocusChanges == 0;
    std::printf("%s\n", clean ? "PASS" : "FAIL");
    return clean ? 0 : 1;
}
