#include "jpeg_upsample.h"

namespace quillon {

void UpsampleH2V1Fancy(const uint8_t* In, int InWidth, uint8_t* Out) {
    Out[0] = In[0];
    Out[1] = static_cast<uint8_t>((In[0] * 3 + In[1] + 2) >> 2);
    for (int I = 1; I < InWidth - 1; ++I) {
        const int Here = In[I] * 3;
        Out[2 * I] = static_cast<uint8_t>((Here + In[I - 1] + 1) >> 2);
        Out[2 * I + 1] = static_cast<uint8_t>((Here + In[I + 1] + 2) >> 2);
    }
    const int Last = InWidth - 1;
    Out[2 * Last] = static_cast<uint8_t>((In[Last] * 3 + In[Last - 1] + 1) >> 2);
    Out[2 * Last + 1] = In[Last];
}

void UpsampleH2V2Fancy(const uint8_t* Near, const uint8_t* Far, int InWidth, uint8_t* Out) {
    int Previous = Near[0] * 3 + Far[0];
    int Here = Previous;
    int Next = Near[1] * 3 + Far[1];
    Out[0] = static_cast<uint8_t>((Here * 4 + 8) >> 4);
    Out[1] = static_cast<uint8_t>((Here * 3 + Next + 7) >> 4);
    for (int I = 1; I < InWidth - 1; ++I) {
        Previous = Here;
        Here = Next;
        Next = Near[I + 1] * 3 + Far[I + 1];
        Out[2 * I] = static_cast<uint8_t>((Here * 3 + Previous + 8) >> 4);
        Out[2 * I + 1] = static_cast<uint8_t>((Here * 3 + Next + 7) >> 4);
    }
    const int Last = InWidth - 1;
    Previous = Here;
    Here = Next;
    Out[2 * Last] = static_cast<uint8_t>((Here * 3 + Previous + 8) >> 4);
    Out[2 * Last + 1] = static_cast<uint8_t>((Here * 4 + 7) >> 4);
}

void UpsampleReplicate(const uint8_t* In, int Factor, int OutWidth, uint8_t* Out) {
    if (Factor == 1) {
        for (int X = 0; X < OutWidth; ++X)
            Out[X] = In[X];
        return;
    }
    for (int X = 0; X < OutWidth; ++X)
        Out[X] = In[X / Factor];
}

} // namespace quillon
