// The imaging interfaces' IIDs for the platform's COM object base.
#pragma once

#include "platform/com/com_object.h"
#include "platform/include/imaging.h"

template <> struct platform::com::InterfaceId<IImagingFactory> {
    static REFIID get() { return IID_IImagingFactory; }
};
template <> struct platform::com::InterfaceId<IImage> {
    static REFIID get() { return IID_IImage; }
};
template <> struct platform::com::InterfaceId<IBitmapImage> {
    static REFIID get() { return IID_IBitmapImage; }
};
