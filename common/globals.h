// The program-wide variables both programs share, and the checked 20 x 20
// matrix type of the adjacency matrix and the position table.
#pragma once

#include "common/report.h"
#include "common/textio.h"

namespace wordrep {

constexpr Int max_vertices = 20; // both indices of every matrix run 1..20

// Stops with "value out of range" unless 1 <= index <= max_vertices.
inline void check_index(Int index) {
  check_bounds(index, 1, max_vertices);
}

// A 20 x 20 matrix indexed from 1; every access checks the row, then the column.
template <class T> class Matrix {
public:
  T &operator()(Int row, Int column) {
    check_index(row);
    check_index(column);
    return cells_[row - 1][column - 1];
  }

private:
  T cells_[max_vertices][max_vertices] = {};
};

extern Int N;             // the vertex count
extern Matrix<bool> A;    // the adjacency matrix, symmetric
extern Line S;            // the line last read from the result file
extern TextFile R;        // the file variable of the benchmark and result file "ff"
extern Int I, J, K, M, P; // loop variables and scratch

} // namespace wordrep
