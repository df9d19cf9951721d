#pragma once
// The envelope grid around the molecule. The molecule owns at most one; the
// grid's points and their computation belong to the integration layer.

class CEnvelop {
public:
    CEnvelop() = default;
    virtual ~CEnvelop() = default;
    CEnvelop(const CEnvelop&) = delete;
    CEnvelop& operator=(const CEnvelop&) = delete;
};
