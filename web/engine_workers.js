// The engine's workers, for the page's modules. The worker's whole code (its
// loader, its .wasm bytes and worker.js) is engine.js, a classic script of
// its own in the page's head: it starts the first worker from a Blob URL as
// soon as it has run, so that the engine loads while page.js, which holds the
// editor and comes last, is still read. Classic scripts share nothing but
// globals, and modules cannot load from a page opened from disk: these two
// names that engine.js defines are read here, and nowhere else.

// The worker engine.js started, to run the first file.
export const firstWorker = () => raevalFirstWorker;

// A new worker on the same code.
export const newWorker = () => new Worker(raevalWorkerUrl);
