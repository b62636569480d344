/* Benchmark reference: orders a METIS graph file with SuiteSparse AMD
 * (default parameters) and writes an ordering file of this system (vertex
 * count, then one "vertex<TAB>position" line per vertex, both from 1).
 * Built and run by bench/run.sh only; never part of the product.
 *
 *   amd_order GRAPH.graph ORDER */
#include <amd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void fail(const char *message) {
  fprintf(stderr, "amd_order: %s\n", message);
  exit(1);
}

/* Next line that is not a comment; NULL at the end of the file. */
static char *next_line(FILE *stream, char **buffer, size_t *size) {
  while (getline(buffer, size, stream) >= 0) {
    char *p = *buffer;
    while (*p == ' ' || *p == '\t') p++;
    if (*p != '%') return *buffer;
  }
  return NULL;
}

int main(int argc, char **argv) {
  if (argc != 3) fail("usage: amd_order GRAPH.graph ORDER");
  FILE *input = fopen(argv[1], "r");
  if (input == NULL) fail("cannot open the graph file");
  char *line = NULL;
  size_t size = 0;
  if (next_line(input, &line, &size) == NULL) fail("no header");
  int n = 0, m = 0, format = 0, weights = 0;
  int fields = sscanf(line, "%d %d %d %d", &n, &m, &format, &weights);
  if (fields < 2 || n < 0 || m < 0) fail("bad header");
  int vertex_sizes = (format / 100) % 10, vertex_weights = (format / 10) % 10, edge_weights = format % 10;
  if (vertex_weights && fields < 4) weights = 1;
  if (!vertex_weights) weights = 0;

  int *start = malloc(((size_t)n + 1) * sizeof(int));
  int *index = malloc(((size_t)2 * m + 1) * sizeof(int));
  int *order = malloc(((size_t)n + 1) * sizeof(int));
  int *position = malloc(((size_t)n + 1) * sizeof(int));
  if (!start || !index || !order || !position) fail("out of memory");
  int arcs = 0;
  for (int v = 0; v < n; v++) {
    if (next_line(input, &line, &size) == NULL) fail("missing vertex line");
    start[v] = arcs;
    char *p = line, *end;
    int skip = vertex_sizes + weights;
    for (;;) {
      long value = strtol(p, &end, 10);
      if (end == p) break;
      p = end;
      if (skip > 0) {
        skip--;
        continue;
      }
      if (arcs >= 2 * m) fail("more arcs than the header says");
      index[arcs++] = (int)value - 1;
      if (edge_weights) {
        strtol(p, &end, 10);
        p = end;
      }
    }
  }
  start[n] = arcs;
  fclose(input);
  free(line);

  if (amd_order(n, start, index, order, NULL, NULL) < AMD_OK) fail("amd_order failed");
  for (int k = 0; k < n; k++) position[order[k]] = k;
  FILE *output = fopen(argv[2], "w");
  if (output == NULL) fail("cannot create the ordering file");
  fprintf(output, "%d\n", n);
  for (int v = 0; v < n; v++) fprintf(output, "%d\t%d\n", v + 1, position[v] + 1);
  if (fclose(output) != 0) fail("cannot write the ordering file");
  free(start);
  free(index);
  free(order);
  free(position);
  return 0;
}
