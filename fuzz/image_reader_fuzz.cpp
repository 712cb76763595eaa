// Feeds arbitrary bytes to the table image reader, plain and with a load
// filter and partial opening, and writes back whatever was read.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/RidovCursor.h"
#include "engine/storage/RidovSession.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ridov::TRidovSession session;
    session.AddPassword("fuzz");
    for (int mode = 0; mode < 2; ++mode) {
        std::vector<uint8_t> image(data, data + size);
        ridov::TRidovCursor store(session);
        store.SetPartialOpen(mode == 1);
        if (mode == 1) {
            store.SetLoadFilter(
                [](ridov::TRidovCursor&, ridov::RecordNode& n) { return (n.storedSize & 1) == 0; });
        }
        std::string message;
        if (store.ReadImage(image, message)) {
            std::vector<uint8_t> out;
            store.WriteImage(out);
            std::string text;
            for (const ridov::RecordNode* node : store.Nodes()) {
                for (int i = 0; i < store.FieldCount(); ++i) {
                    store.FieldAsText(*store.FieldAt(i), node, text, true, false);
                }
            }
        }
        ridov::TRidovCursor header(session);
        (void)header.ReadImageHeader(std::vector<uint8_t>(data, data + size), message);
    }
    return 0;
}
