// CTwainOperateWrapper: the TWAIN capabilities of the current source as typed properties.
#pragma once

#include "codecs/image_operator.h"

class CTwainOperateWrapper : public CImageOperator {
public:
    CTwainOperateWrapper() = default;
    ~CTwainOperateWrapper() override = default;
};
