#pragma once
// The virtual trackball of the three-dimensional view: a mouse drag between
// two window points becomes a rotation, kept as a unit quaternion.
//
// Quaternions are four floats (x, y, z, w), w last; the identity is
// (0, 0, 0, 1). Trackball coordinates run from -1 to 1 across the window
// (x to the right, y upwards, the centre at 0); the ball has radius 0.8 in
// them. Angles are in radians.

// The rotation that drags the trackball point (p1x, p1y) to (p2x, p2y), into
// q. Equal points give the identity.
void Trackball(float q[4], float p1x, float p1y, float p2x, float p2y);

// The height of the trackball surface of radius r over (x, y): the sphere
// near the centre, a hyperbolic sheet (meeting it smoothly) further out.
float ProjectToSphere(float r, float x, float y);

// The rotation by phi about axis (normalised here; the array is changed).
void AxisToQuaternion(float axis[3], float phi, float q[4]);

// dest = the rotation q2 followed by q1; dest may be q2. Every 98th call
// (counted over all callers) renormalises the result so that rounding does
// not let it drift from unit length.
void AddQuaternions(const float q1[4], const float q2[4], float dest[4]);

// Divides all four components by the quaternion's length.
void NormalizeQuaternion(float q[4]);

// The rotation matrix of q in the element order glMultMatrixf expects.
void BuildRotationMatrix(float m[4][4], const float q[4]);

// How many compositions AddQuaternions has counted since its last
// renormalisation (0 to 97).
extern int g_nQuaternionCount;
