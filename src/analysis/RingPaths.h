#pragma once
// The work record of one direction of the ring-plane search
// (CRingPoint::TraceRingPaths): the direction cos(angle) e1 + sin(angle) e2 of
// the ring frame, the maximum its probe reached and the probe path it owns
// until the path joins the molecular graph.

class CCritPoint;
class CGradPath;

struct RingDirection {
    RingDirection() = default;
    // Deletes the probe path still held.
    ~RingDirection();
    RingDirection(const RingDirection&) = delete;
    RingDirection& operator=(const RingDirection&) = delete;

    void SetAngle(double angle);

    double Cosine = 0.0;
    double Sine = 0.0;
    double Angle = 0.0;              // radians from e1 toward e2
    CCritPoint* Maximum = nullptr;   // not owned
    CCritPoint* BondPoint = nullptr; // not owned
    CGradPath* Path = nullptr;       // owned until handed over
    double Distance = 0.0;           // to the targeted maximum; 10 for axis and gap probes
};
