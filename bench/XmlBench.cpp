// XML load and walk: a layout-sized document parsed and read with the cursor.
#include <benchmark/benchmark.h>

#include <string>

#include "app/store/XmlDocument.h"

namespace {

std::string LayoutLikeDocument(int keys) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<device.info><Keyboard><KeyItems>";
    for (int i = 0; i < keys; ++i)
        text += "<key code=\"0x" + std::to_string(4 + i) + "\" key_index=\"" + std::to_string(i) +
                "\" row_col=\"1,5\" rect=\"10#20#30#40\" name=\"K\" desc=\"Key\"/>";
    return text + "</KeyItems></Keyboard></device.info>";
}

void BM_ParseAndWalkLayout(benchmark::State& state) {
    const std::string text = LayoutLikeDocument(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        KeyForge::XmlDocument doc;
        doc.ResetDocument(text);
        doc.FindNextElement("device.info");
        doc.EnterElement();
        doc.FindNextElement("Keyboard");
        doc.EnterElement();
        doc.FindNextElement("KeyItems");
        doc.EnterElement();
        std::size_t total = 0;
        while (doc.FindNextElement("key")) total += doc.GetAttribute("rect").size();
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseAndWalkLayout)->Arg(110)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
