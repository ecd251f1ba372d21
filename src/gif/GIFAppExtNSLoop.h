#pragma once

#include <cstdint>

#include "gif/GIFApplicationExtension.h"

// The looping extension ("NETSCAPE2.0", also written as "ANIMEXTS1.0").
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
    using TGIFApplicationExtension::TGIFApplicationExtension;

    // True for the identifier and authentication code this class stands for.
    static bool Handles(const std::uint8_t* code11);

    int Loops() const { return FLoops; }
    std::uint32_t BufferSize() const { return FBufferSize; }

protected:
    void LoadApplicationData(TGIFStream& stream) override;

private:
    int FLoops = 0;
    std::uint32_t FBufferSize = 0;
};
