// Java Fast Infoset as an independent oracle of the library's binary format.
// Run by gen_fastinfoset_vectors.sh, not by the test suite.
//   encode IN.xml OUT.fi    the reference serializer's encoding of an XML document
//   typed OUT.fi            a document of values written through the algorithms and alphabets
//   decode IN.fi OUT.dump   the reference parser's reading, as the suite's tree dump
import com.sun.xml.fastinfoset.sax.SAXDocumentParser;
import com.sun.xml.fastinfoset.sax.SAXDocumentSerializer;
import java.io.*;
import java.nio.charset.StandardCharsets;
import java.util.*;
import javax.xml.parsers.SAXParserFactory;
import org.xml.sax.*;
import org.xml.sax.ext.LexicalHandler;
import org.xml.sax.helpers.AttributesImpl;
import org.xml.sax.helpers.DefaultHandler;

public class FastInfosetOracle {
    static SAXDocumentSerializer serializer(OutputStream out) {
        SAXDocumentSerializer s = new SAXDocumentSerializer();
        s.setOutputStream(out);
        // Attribute values and chunks shorter than 32 characters enter the tables.
        s.setMaxAttributeValueSize(32);
        s.setMaxCharacterContentChunkSize(32);
        return s;
    }

    static void encode(String in, String out) throws Exception {
        try (OutputStream os = new BufferedOutputStream(new FileOutputStream(out))) {
            SAXDocumentSerializer s = serializer(os);
            SAXParserFactory f = SAXParserFactory.newInstance();
            f.setNamespaceAware(true);
            XMLReader r = f.newSAXParser().getXMLReader();
            r.setContentHandler(s);
            r.setProperty("http://xml.org/sax/properties/lexical-handler", s);
            r.parse(new InputSource(new FileInputStream(in)));
        }
    }

    static void typed(String out) throws Exception {
        try (OutputStream os = new BufferedOutputStream(new FileOutputStream(out))) {
            SAXDocumentSerializer s = serializer(os);
            AttributesImpl none = new AttributesImpl();
            s.startDocument();
            s.startPrefixMapping("", "urn:typed");
            s.startElement("urn:typed", "typed", "typed", none);
            String[] names = {"short", "int", "long", "boolean", "float", "double", "base64", "numeric", "date"};
            for (String n : names) {
                s.startElement("urn:typed", n, n, none);
                switch (n) {
                    case "short": s.shorts(new short[] {-2, 1, 32767}, 0, 3); break;
                    case "int": s.ints(new int[] {42, -2147483648}, 0, 2); break;
                    case "long": s.longs(new long[] {-1L, 9000000000L}, 0, 2); break;
                    case "boolean": s.booleans(new boolean[] {true, false, true, true, false, false, true, false, true, true}, 0, 10); break;
                    case "float": s.floats(new float[] {1.5f, -2.25f}, 0, 2); break;
                    case "double": s.doubles(new double[] {0.5, 1234.125}, 0, 2); break;
                    case "base64": s.bytes(new byte[] {1, 2, 3, (byte) 0xFF}, 0, 4); break;
                    case "numeric": s.numericCharacters("-12.5 3".toCharArray(), 0, 7); break;
                    case "date": s.dateTimeCharacters("2026-01-02T03:04:05Z".toCharArray(), 0, 20); break;
                }
                s.endElement("urn:typed", n, n);
            }
            s.endElement("urn:typed", "typed", "typed");
            s.endDocument();
        }
    }

    // The tree as the suite's Dump writes it, then the namespace declarations.
    static final class Node {
        String ns, local;
        List<String[]> attributes = new ArrayList<>();
        StringBuilder text = new StringBuilder();
        List<Node> children = new ArrayList<>();
    }

    static void dump(Node n, StringBuilder out) {
        out.append("<{").append(n.ns).append('}').append(n.local);
        for (String[] a : n.attributes) out.append(" {").append(a[0]).append('}').append(a[1]).append("=\"").append(a[2]).append('"');
        out.append('>').append(n.text);
        for (Node c : n.children) dump(c, out);
        out.append("</>");
    }

    static void decode(String in, String out) throws Exception {
        final Deque<Node> open = new ArrayDeque<>();
        final Node[] root = new Node[1];
        final StringBuilder namespaces = new StringBuilder();
        class Handler extends DefaultHandler implements LexicalHandler {
            public void startPrefixMapping(String prefix, String uri) {
                namespaces.append(prefix).append('=').append(uri).append('\n');
            }
            public void startElement(String uri, String local, String q, Attributes a) {
                Node n = new Node();
                n.ns = uri;
                n.local = local;
                for (int i = 0; i < a.getLength(); ++i) n.attributes.add(new String[] {a.getURI(i), a.getLocalName(i), a.getValue(i)});
                if (open.isEmpty()) root[0] = n; else open.peek().children.add(n);
                open.push(n);
            }
            public void endElement(String uri, String local, String q) { open.pop(); }
            public void characters(char[] ch, int start, int length) {
                if (!open.isEmpty()) open.peek().text.append(ch, start, length);
            }
            public void startDTD(String a, String b, String c) {}
            public void endDTD() {}
            public void startEntity(String n) {}
            public void endEntity(String n) {}
            public void startCDATA() {}
            public void endCDATA() {}
            public void comment(char[] ch, int s, int l) {}
        }
        Handler h = new Handler();
        SAXDocumentParser p = new SAXDocumentParser();
        p.setContentHandler(h);
        p.setLexicalHandler(h);
        try (InputStream is = new BufferedInputStream(new FileInputStream(in))) {
            p.parse(is);
        }
        StringBuilder text = new StringBuilder();
        dump(root[0], text);
        text.append("\n#namespaces\n").append(namespaces);
        try (OutputStream os = new FileOutputStream(out)) {
            os.write(text.toString().getBytes(StandardCharsets.UTF_8));
        }
    }

    public static void main(String[] args) throws Exception {
        switch (args[0]) {
            case "encode": encode(args[1], args[2]); break;
            case "typed": typed(args[1]); break;
            case "decode": decode(args[1], args[2]); break;
            default: throw new IllegalArgumentException(args[0]);
        }
    }
}
