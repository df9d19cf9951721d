#pragma once
// Small dense linear algebra behind CTensor::Diagonalize and the 3x3 solves.
// The iteration limit and the pivot threshold are read from the current
// linear-algebra options at every call.

// Householder reduction of the symmetric n x n matrix given by n row pointers to
// tridiagonal form: d the diagonal, e the sub-diagonal (e[0] = 0); a becomes the
// orthogonal matrix of the reduction.
void Tridiagonalize(double** a, int n, double* d, double* e);

// QL with implicit shifts on the output of Tridiagonalize. d receives the
// eigenvalues (unsorted), column k of z the eigenvector of d[k]; e is destroyed.
// Returns 1, or 0 when an eigenvalue needs more iterations than allowed.
int TridiagonalQL(double* d, double* e, int n, double** z);

// sqrt(a^2 + b^2) without overflow or underflow of the intermediate squares.
double Pythag(double a, double b);

// Gaussian elimination with partial pivoting: a is n x n row by row, b the right-hand
// side. Returns 1 with the solution in b, or 0 when a pivot is below the threshold
// (or zero) or the solution is not finite. Both arrays are overwritten either way.
int SolveLinearSystem(int n, double* a, double* b);
