// Links that carry a whole input file in their fragment, which never leaves
// the browser: "#f=" and the file's bytes compressed (deflate, raw) in
// base64url, then, when an exercise is open, "&x=" and its name. The
// exercise of a sheet the page does not bundle brings its sheet along:
// "&s=" and the sheet's bytes, packed the same way, and "&n=" its name.
//
// Past LINK_LIMIT characters a link is refused: browsers, mail and chat
// programs cut or reject longer ones.
export const LINK_LIMIT = 32000;

async function through(stream, bytes) {
  const piped = new Blob([bytes]).stream().pipeThrough(stream);
  return new Uint8Array(await new Response(piped).arrayBuffer());
}

function toBase64Url(bytes) {
  let text = '';
  for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  return btoa(text).replaceAll('+', '-').replaceAll('/', '_').replace(/=+$/, '');
}

function fromBase64Url(text) {
  const binary = atob(text.replaceAll('-', '+').replaceAll('_', '/'));
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

const pack = async (bytes) => toBase64Url(await through(new CompressionStream('deflate-raw'), bytes));
const unpack = (text) => through(new DecompressionStream('deflate-raw'), fromBase64Url(text));

// The link to base (the page's address without fragment) that opens bytes,
// and the exercise when given; sheet: {name, bytes} of the exercise's sheet
// when the page does not bundle it.
export async function makeLink(base, bytes, exercise, sheet = null) {
  let link = base + '#f=' + await pack(bytes);
  if (exercise) link += '&x=' + encodeURIComponent(exercise);
  if (exercise && sheet) link += '&s=' + await pack(sheet.bytes) + '&n=' + encodeURIComponent(sheet.name);
  return link;
}

// {bytes, exercise, sheet} from a fragment made by makeLink; null for any
// other fragment; throws when the fragment is damaged.
export async function readLink(fragment) {
  const fields = new URLSearchParams(fragment.replace(/^#/, ''));
  const packed = fields.get('f');
  if (packed === null) return null;
  const bytes = await unpack(packed);
  const sheet = fields.get('s') === null ? null : {name: fields.get('n') ?? 'linked.sheet', bytes: await unpack(fields.get('s'))};
  return {bytes, exercise: fields.get('x'), sheet};
}
