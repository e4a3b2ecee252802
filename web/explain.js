// Plain words below the ERROR line, from what the engine knew where reading
// stopped. The output file keeps its exact line; this only explains it.
export function explain() {
  return [];
}
