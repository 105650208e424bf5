// SPDX-License-Identifier: MIT
#include "core/ComposerPolicy.h"
#include "core/ComposerTextSnapshot.h"
#include "core/ConfigurationStore.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

using namespace tandrel;

namespace {

// A chat-sized input: 20,000 characters of prose with some accented letters, and a
// 300-character prompt pasted in the middle.
struct PasteFixture {
    QString before;
    QString inserted;
    QString after;
    qsizetype middle = 0;

    PasteFixture() {
        while (before.size() < 20000)
            before +=
                QStringLiteral("The r\u00E9sum\u00E9 lists every step we took, line by line. ");
        before.truncate(20000);
        while (inserted.size() < 300)
            inserted += QStringLiteral("Please summarize the thread so far. ");
        inserted.truncate(300);
        middle = before.size() / 2;
        after = QString(before).insert(middle, inserted);
    }
};

void verifyWithSelection(benchmark::State& state) {
    const PasteFixture f;
    const ComposerTextSnapshot before(f.before);
    const ComposerTextSnapshot after(f.after);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            before.verifiesInsertion(after, f.inserted, TextRange{f.middle, 0}));
}
BENCHMARK(verifyWithSelection)->Unit(benchmark::kMicrosecond);

// Without a selection the search decides, the path of inputs that hide their caret.
void verifyBySearch(benchmark::State& state) {
    const PasteFixture f;
    const ComposerTextSnapshot before(f.before);
    const ComposerTextSnapshot after(f.after);
    for (auto _ : state)
        benchmark::DoNotOptimize(before.verifiesInsertion(after, f.inserted, std::nullopt));
}
BENCHMARK(verifyBySearch)->Unit(benchmark::kMicrosecond);

// The same search through grapheme clusters and canonical decomposition, which texts outside
// the simple scripts need: the baseline the two above are measured against.
void verifyBySearchThroughClusters(benchmark::State& state) {
    const PasteFixture f;
    for (auto _ : state)
        benchmark::DoNotOptimize(ComposerPolicy::detail::insertionVerifiedByClusters(
            f.before, f.after, f.inserted, std::nullopt));
}
BENCHMARK(verifyBySearchThroughClusters)->Unit(benchmark::kMicrosecond);

// The failing case: the pasted text is not there, so the search runs to the end.
void verifyFailing(benchmark::State& state) {
    const PasteFixture f;
    const ComposerTextSnapshot before(f.before);
    const ComposerTextSnapshot after(f.after);
    const QString other = f.inserted + QStringLiteral("!");
    for (auto _ : state)
        benchmark::DoNotOptimize(before.verifiesInsertion(after, other, std::nullopt));
}
BENCHMARK(verifyFailing)->Unit(benchmark::kMicrosecond);

Configuration thousandPrompts() {
    Configuration configuration;
    for (int i = 0; i < 1000; ++i) {
        configuration.prompts.emplace_back(
            QUuid::createUuid(), QStringLiteral("Prompt %1").arg(i),
            QStringLiteral("Text of prompt %1 with a path/like/this, \"quotes\" and caf\u00E9.\n")
                .repeated(4)
                .arg(i));
    }
    return configuration;
}

void loadThousandPrompts(benchmark::State& state) {
    QTemporaryDir dir;
    const ConfigurationStore store(dir.filePath("prompts.json"));
    store.save(thousandPrompts());
    for (auto _ : state)
        benchmark::DoNotOptimize(store.load());
}
BENCHMARK(loadThousandPrompts)->Unit(benchmark::kMillisecond);

// A save validates, writes atomically and reads the file back.
void saveThousandPrompts(benchmark::State& state) {
    QTemporaryDir dir;
    const ConfigurationStore store(dir.filePath("Tandrel/prompts.json"));
    const Configuration configuration = thousandPrompts();
    for (auto _ : state)
        store.save(configuration);
}
BENCHMARK(saveThousandPrompts)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
